#pragma once
#include "ui/form_design.hpp"

namespace setup::ui {

const FormDesign& LauncherDesign();    // `Default`
const FormDesign& WizardDesign();      // `Setup`
const FormDesign& CompletionDesign();  // `SetupEnd`

}  // namespace setup::ui

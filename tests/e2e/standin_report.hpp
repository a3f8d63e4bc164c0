#pragma once
// What the stand-in full installer records about how it was started; shared by the
// stand-in, which writes it, and the tests, which read it.

namespace e2e::standin {

inline constexpr wchar_t kReportFile[] = L"started.txt";
// One "key=value" line each, UTF-8, CRLF.
inline constexpr char kCommandLine[] = "commandline";
inline constexpr char kShowWindow[] = "showwindow";
inline constexpr char kUseShowWindow[] = "useshowwindow";
inline constexpr char kCurrentDirectory[] = "currentdirectory";

}  // namespace e2e::standin

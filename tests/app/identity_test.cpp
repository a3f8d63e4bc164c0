// The program's identity as a file, read back out of the built setup.exe: version record,
// icon and the two pictures.
#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app_support.hpp"
#include "platform/identity.h"

namespace {

// One node of a version resource: key, value bytes and children.
struct VersionNode {
    std::wstring key;
    std::vector<std::uint8_t> value;
    std::vector<VersionNode> children;
};

size_t Align4(size_t n) { return (n + 3) & ~size_t{3}; }

std::optional<VersionNode> ParseVersionNode(const std::uint8_t* data, size_t size) {
    if (size < 6) return std::nullopt;
    const auto word = [&](size_t at) { return static_cast<size_t>(data[at] | (data[at + 1] << 8)); };
    const size_t length = word(0);
    const size_t valueLength = word(2);
    const bool text = word(4) == 1;
    if (length < 6 || length > size) return std::nullopt;
    VersionNode node;
    size_t at = 6;
    for (; at + 1 < length && word(at) != 0; at += 2) node.key.push_back(static_cast<wchar_t>(word(at)));
    at = Align4(at + 2);
    const size_t valueBytes = text ? valueLength * 2 : valueLength;
    if (at + valueBytes > length) return std::nullopt;
    node.value.assign(data + at, data + at + valueBytes);
    at = Align4(at + valueBytes);
    while (at + 6 <= length) {
        auto child = ParseVersionNode(data + at, length - at);
        if (!child) return std::nullopt;
        const size_t childLength = word(at);
        node.children.push_back(std::move(*child));
        at = Align4(at + childLength);
    }
    return node;
}

std::wstring TextValue(const VersionNode& node) {
    std::wstring out;
    for (size_t i = 0; i + 1 < node.value.size(); i += 2) {
        const auto c = static_cast<wchar_t>(node.value[i] | (node.value[i + 1] << 8));
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(app::SetupExe().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(module_) << ::GetLastError();
    }
    void TearDown() override {
        if (module_) ::FreeLibrary(module_);
    }

    std::vector<std::uint8_t> Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = ::FindResourceW(module_, name, type);
        if (!found) return {};
        HGLOBAL loaded = ::LoadResource(module_, found);
        const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(loaded));
        return bytes ? std::vector<std::uint8_t>(bytes, bytes + ::SizeofResource(module_, found))
                     : std::vector<std::uint8_t>{};
    }

    HMODULE module_ = nullptr;
};

TEST_F(ProgramFile, CarriesExactlyTheDesignedVersionRecord) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(app::SetupExe().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(app::SetupExe().c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_EQ(fixedSize, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // The raw resource, so the string table's keys can be read in their stored order.
    const auto raw = Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    const auto root = ParseVersionNode(raw.data(), raw.size());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->key, L"VS_VERSION_INFO");
    ASSERT_EQ(root->children.size(), 2u);
    const VersionNode& strings = root->children[0];
    ASSERT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, L"080404b0");
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (const auto& entry : strings.children[0].children) pairs.emplace_back(entry.key, TextValue(entry));
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"CompanyName", L"corvanthyle"}, {L"ProductName", L"Tessovarine"}, {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},     {L"InternalName", L"setup"},      {L"OriginalFilename", L"setup.exe"},
    };
    EXPECT_EQ(pairs, expected);

    const VersionNode& vars = root->children[1];
    ASSERT_EQ(vars.key, L"VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, L"Translation");
    EXPECT_EQ(vars.children[0].value, (std::vector<std::uint8_t>{0x04, 0x08, 0xB0, 0x04}));
}

TEST_F(ProgramFile, ManifestAsksForWhatTheProgramNeeds) {
    const auto bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* wanted : {
             R"(level="requireAdministrator")",
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
             "PerMonitorV2",
             R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>)",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
         }) {
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    }
    // The manifest is the one file that can't take the names from the identity header.
    const std::string identity = R"(name=")" SETUP_COMPANY_NAME_TEXT "." SETUP_PRODUCT_NAME_TEXT R"(.setup")";
    EXPECT_NE(manifest.find(identity), std::string::npos) << identity;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(
        IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name);
    return TRUE;
}

TEST_F(ProgramFile, HasOneIconOf48PixelsAt8BitsWithAMask) {
    std::vector<std::wstring> groups;
    ::EnumResourceNamesW(module_, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups, std::vector<std::wstring>{L"1"});

    const auto group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_EQ(group.size(), 6 + sizeof(GroupIconEntry));
    EXPECT_EQ(group[4] | (group[5] << 8), 1);  // one image
    GroupIconEntry entry;
    memcpy(&entry, group.data() + 6, sizeof entry);
    EXPECT_EQ(entry.width, 48);
    EXPECT_EQ(entry.height, 48);
    EXPECT_EQ(entry.bitCount, 8);

    const auto image = Resource(RT_ICON, MAKEINTRESOURCEW(entry.id));
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 48);
    EXPECT_EQ(header.biHeight, 96);  // colour image and mask
    EXPECT_EQ(header.biBitCount, 8);
    const size_t palette = 256 * 4, colours = 48 * 48, maskRow = 8;
    ASSERT_EQ(image.size(), sizeof header + palette + colours + maskRow * 48);
    // The mask makes the corners transparent and the disc opaque.
    const std::uint8_t* mask = image.data() + sizeof header + palette + colours;
    const auto transparent = [&](int x, int y) { return (mask[(47 - y) * maskRow + x / 8] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(transparent(0, 0), 1);
    EXPECT_EQ(transparent(47, 0), 1);
    EXPECT_EQ(transparent(24, 24), 0);
}

// A baseline JPEG's frame: SOF0, 8-bit samples, three components.
struct JpegFrame {
    int marker = 0;
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
};

std::optional<JpegFrame> ReadJpegFrame(const std::vector<std::uint8_t>& data) {
    if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return std::nullopt;
    size_t at = 2;
    while (at + 4 <= data.size()) {
        if (data[at] != 0xFF) return std::nullopt;
        const int marker = data[at + 1];
        const size_t length = static_cast<size_t>(data[at + 2] << 8 | data[at + 3]);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 10 > data.size()) return std::nullopt;
            return JpegFrame{marker, data[at + 4], data[at + 7] << 8 | data[at + 8], data[at + 5] << 8 | data[at + 6],
                             data[at + 9]};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// The picture decoded by the system's imaging component, as 0x00RRGGBB pixels.
std::optional<e2e::Pixels> Decode(const std::vector<std::uint8_t>& jpeg) {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return std::nullopt;
    std::optional<e2e::Pixels> out;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT w = 0, h = 0;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()), static_cast<DWORD>(jpeg.size()))) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&w, &h))) {
        e2e::Pixels p{static_cast<int>(w), static_cast<int>(h), std::vector<std::uint32_t>(size_t{w} * h)};
        if (SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(p.bgr.data())))) {
            for (auto& v : p.bgr) v &= 0xFFFFFF;
            out = std::move(p);
        }
    }
    for (IUnknown* u : std::initializer_list<IUnknown*>{converter, frame, decoder, stream, factory})
        if (u) u->Release();
    ::CoUninitialize();
    return out;
}

bool NearWhite(std::uint32_t v) {
    return (v & 0xFF) >= 248 && ((v >> 8) & 0xFF) >= 248 && ((v >> 16) & 0xFF) >= 248;
}
bool Blue(std::uint32_t v) { return (v & 0xFF) > ((v >> 16) & 0xFF) + 60; }

// Counts the pixels of a rectangle that fail a test.
template <class Test>
int Failing(const e2e::Pixels& p, int left, int top, int right, int bottom, Test test) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += !test(p.At(x, y));
    return n;
}

TEST_F(ProgramFile, PicturesAreBaselineJpegsWithWhereTheLabelsStandWhite) {
    const auto banner = Resource(RT_RCDATA, MAKEINTRESOURCEW(101));
    const auto side = Resource(RT_RCDATA, MAKEINTRESOURCEW(102));
    const auto bannerFrame = ReadJpegFrame(banner);
    const auto sideFrame = ReadJpegFrame(side);
    ASSERT_TRUE(bannerFrame);
    ASSERT_TRUE(sideFrame);
    for (const auto& f : {*bannerFrame, *sideFrame}) {
        EXPECT_EQ(f.marker, 0xC0) << "not baseline";
        EXPECT_EQ(f.precision, 8);
        EXPECT_EQ(f.components, 3) << "not 24-bit colour";
    }
    EXPECT_EQ(bannerFrame->width, 500);
    EXPECT_EQ(bannerFrame->height, 59);
    EXPECT_EQ(sideFrame->width, 500);
    EXPECT_EQ(sideFrame->height, 316);

    const auto b = Decode(banner);
    ASSERT_TRUE(b);
    ASSERT_EQ(b->width, 500);
    // The greeting (to 321 px) and the wizard's header band (313 px) stand on white.
    EXPECT_EQ(Failing(*b, 0, 0, 322, 59, NearWhite), 0);
    EXPECT_GT(Failing(*b, 420, 0, 500, 59, NearWhite), 500) << "no artwork at the right end";

    const auto s = Decode(side);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->height, 316);
    // The panel down the left side is blue; the closing texts (from 192 px) stand on white.
    EXPECT_EQ(Failing(*s, 0, 0, 40, 316, Blue), 0);
    EXPECT_EQ(Failing(*s, 180, 0, 500, 316, NearWhite), 0);
}

}  // namespace

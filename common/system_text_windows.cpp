// The system's side of text on Windows: code pages convert through
// MultiByteToWideChar, and a console takes its characters through its wide
// output, whatever its code page.
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/terminal_text.h"
#include "common/text_decoder.h"

namespace tactus::common {
namespace {

std::wstring wide_from(UINT code_page, const char* bytes, size_t length) {
  const int count = static_cast<int>(length);
  const int wide_length = MultiByteToWideChar(code_page, 0, bytes, count, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length > 0 ? wide_length : 0), L'\0');
  if (wide_length > 0) MultiByteToWideChar(code_page, 0, bytes, count, wide.data(), wide_length);
  return wide;
}

class CodePageConverter : public EncodingConverter {
 public:
  explicit CodePageConverter(UINT code_page) : code_page_(code_page) {}

  // Bytes that are no character become the code page's replacement
  // (U+FFFD for UTF-8).
  std::string to_utf8(const unsigned char* bytes, size_t length) override {
    const std::wstring wide = wide_from(code_page_, reinterpret_cast<const char*>(bytes), length);
    const int wide_length = static_cast<int>(wide.size());
    const int utf8_length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(utf8_length > 0 ? utf8_length : 0), '\0');
    if (utf8_length > 0)
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, text.data(), utf8_length, nullptr, nullptr);
    return text;
  }

 private:
  UINT code_page_;
};

// The code page of an encoding's name, as iconv spells the common ones, or
// "CP<n>" and "WINDOWS-<n>" for code page n; 0 for none.
UINT code_page_of(const char* name) {
  std::string upper;
  for (const char* c = name; *c != '\0'; ++c)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  static const struct {
    const char* name;
    UINT code_page;
  } kNames[] = {{"UTF-8", CP_UTF8}, {"UTF8", CP_UTF8},   {"SHIFT_JIS", 932}, {"SHIFT-JIS", 932},
                {"SJIS", 932},      {"EUC-JP", 20932},   {"GBK", 936},       {"GB2312", 936},
                {"BIG5", 950},      {"EUC-KR", 51949},   {"KOI8-R", 20866},  {"KOI8-U", 21866},
                {"LATIN1", 28591},  {"US-ASCII", 20127}, {"ASCII", 20127}};
  for (const auto& entry : kNames)
    if (upper == entry.name) return entry.code_page;
  for (const char* prefix : {"ISO-8859-", "CP", "WINDOWS-"}) {
    const size_t length = std::strlen(prefix);
    if (upper.compare(0, length, prefix) != 0 || upper.size() == length || upper.size() > length + 5)
      continue;
    char* end = nullptr;
    const unsigned long number = std::strtoul(upper.c_str() + length, &end, 10);
    if (*end != '\0' || !std::isdigit(static_cast<unsigned char>(upper[length]))) continue;
    if (prefix[0] == 'I') return number >= 1 && number <= 16 ? static_cast<UINT>(28590 + number) : 0;
    return static_cast<UINT>(number);
  }
  return 0;
}

}  // namespace

std::unique_ptr<EncodingConverter> open_encoding_converter(const char* name) {
  const UINT code_page = code_page_of(name);
  if (code_page == 0 || !IsValidCodePage(code_page)) return nullptr;
  return std::make_unique<CodePageConverter>(code_page);
}

void write_text(std::FILE* stream, std::string_view utf8) {
  if (utf8.empty()) return;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    return;
  }
  const std::wstring wide = wide_from(CP_UTF8, utf8.data(), utf8.size());
  std::fflush(stream);
  DWORD written = 0;
  WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace tactus::common

// The system's side of text on POSIX: iconv converts, and a terminal takes
// UTF-8 bytes.
#include <iconv.h>

#include <cerrno>

#include "common/terminal_text.h"
#include "common/text_decoder.h"

namespace tactus::common {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

class IconvConverter : public EncodingConverter {
 public:
  explicit IconvConverter(iconv_t descriptor) : descriptor_(descriptor) {}
  ~IconvConverter() override { iconv_close(descriptor_); }

  std::string to_utf8(const unsigned char* bytes, size_t length) override {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string text;
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    size_t in_left = length;
    char buffer[256];
    for (;;) {
      char* out = buffer;
      size_t out_left = sizeof buffer;
      // With the input used up, a last call ends a shift state.
      const size_t result = in_left > 0 ? iconv(descriptor_, &in, &in_left, &out, &out_left)
                                        : iconv(descriptor_, nullptr, nullptr, &out, &out_left);
      const int error = errno;
      text.append(buffer, static_cast<size_t>(out - buffer));
      if (result != static_cast<size_t>(-1)) {
        if (in_left == 0 && out == buffer) return text;
      } else if (error == EILSEQ || error == EINVAL) {
        // A byte that starts no character, or a character cut off at the end.
        text += kReplacement;
        ++in;
        --in_left;
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
      } else if (error != E2BIG) {
        return text;
      }
    }
  }

 private:
  iconv_t descriptor_;
};

}  // namespace

std::unique_ptr<EncodingConverter> open_encoding_converter(const char* name) {
  const iconv_t descriptor = iconv_open("UTF-8", name);
  if (descriptor == reinterpret_cast<iconv_t>(-1)) return nullptr;
  return std::make_unique<IconvConverter>(descriptor);
}

void write_text(std::FILE* stream, std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace tactus::common

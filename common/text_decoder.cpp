#include "common/text_decoder.h"

namespace tactus::common {

bool TextDecoder::use_encoding(const char* name) {
  // An empty name would be the locale's encoding to iconv: no name the user gave.
  if (name[0] == '\0') return false;
  std::unique_ptr<EncodingConverter> converter = open_encoding_converter(name);
  if (converter == nullptr) return false;
  converter_ = std::move(converter);
  return true;
}

std::string TextDecoder::text_of(Event* meta) const {
  if (converter_ != nullptr) {
    const unsigned char* bytes = meta_get_data(meta);
    const int32_t length = meta_get_data_length(meta);
    return bytes != nullptr ? converter_->to_utf8(bytes, static_cast<size_t>(length)) : std::string();
  }
  const int32_t length = meta_get_utf8_text(meta, nullptr, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  meta_get_utf8_text(meta, text.data(), length + 1);
  return text;
}

}  // namespace tactus::common

// How the programs read the texts of a file (names, words, markers): by the
// library's rule (UTF-8 when the bytes are UTF-8, Windows-1252 otherwise),
// or all in one encoding that the user names, through the system's
// converter.
#ifndef TACTUS_COMMON_TEXT_DECODER_H
#define TACTUS_COMMON_TEXT_DECODER_H

#include <memory>
#include <string>

#include "tactus/model.h"

namespace tactus::common {

// The system's converter from one encoding to UTF-8: iconv on POSIX,
// MultiByteToWideChar on Windows.
class EncodingConverter {
 public:
  virtual ~EncodingConverter() = default;
  // The bytes as UTF-8; what is no character of the encoding becomes U+FFFD.
  virtual std::string to_utf8(const unsigned char* bytes, size_t length) = 0;
};

// Null when the system knows no encoding of that name.
std::unique_ptr<EncodingConverter> open_encoding_converter(const char* name);

// Copies share the converter; one thread at a time may use them.
class TextDecoder {
 public:
  // Reads by the library's rule.
  TextDecoder() = default;

  // Reads every text in the named encoding from now on; false, with the
  // rule kept, when the system knows no such encoding.
  bool use_encoding(const char* name);
  bool by_rule() const { return converter_ == nullptr; }

  // The payload of a meta event as UTF-8, control characters included.
  std::string text_of(Event* meta) const;

 private:
  std::shared_ptr<EncodingConverter> converter_;
};

}  // namespace tactus::common

#endif

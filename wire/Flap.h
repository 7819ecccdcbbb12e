// FLAP framing: the frame layout shared by both directions of a TOC
// connection, and the reader that cuts a byte stream back into frames.
//
// A frame is the marker "*", a type byte, a 16-bit sequence number and a
// 16-bit payload length (both most significant byte first), then the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace flap {

inline constexpr char kMarker = '*';
inline constexpr std::size_t kHeaderSize = 6;
inline constexpr std::size_t kMaxPayload = 65535;

inline constexpr char kSignOn = 1;
inline constexpr char kData = 2;
inline constexpr char kError = 3;
inline constexpr char kSignOff = 4;
inline constexpr char kKeepAlive = 5;

// The unframed greeting a client sends as soon as the connection opens.
inline constexpr std::string_view kGreeting{"FLAPON\n\n"};

// Two characters: value / 256, then value % 256 (0 <= value <= 65535).
std::string EncodeWord(std::int32_t value);

// 256 * code(first) + code(second); a missing character counts as 0.
std::int32_t DecodeWord(std::string_view bytes);

// One whole frame. The caller keeps payload within kMaxPayload.
std::string BuildFrame(char type, std::uint16_t sequence, std::string_view payload);

// The payload of a whole frame (everything after the header).
std::string_view Payload(std::string_view frame);

// Received bytes waiting to form whole frames. Frames are cut in arrival
// order; bytes already cut are dropped lazily so that a long arrival is cut
// in time linear in its size. The reader keeps no state between calls except
// its buffer, so Append and Next may be interleaved by nested callers.
class Reader {
 public:
  enum class Result { Frame, NeedMore, BadMarker };

  void Append(std::string_view bytes);
  // The same; bytes that arrive while nothing is pending are taken over
  // rather than copied.
  void Append(std::string&& bytes);

  // Cuts the next whole frame into frame. BadMarker when the bytes where the
  // next frame should start do not begin with "*": the stream is corrupt and
  // nothing more can be cut from it.
  Result Next(std::string& frame);

  void Clear();
  [[nodiscard]] std::size_t Size() const { return buffer_.size() - start_; }
  [[nodiscard]] std::string_view Bytes() const { return std::string_view(buffer_).substr(start_); }

 private:
  std::string buffer_;
  std::size_t start_ = 0;
};

}  // namespace flap

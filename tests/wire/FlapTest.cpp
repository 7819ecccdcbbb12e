// The FLAP reader over a long stream cut at random places.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Flap.h"

TEST(FrameReader, HoldsAtMostOneFrameAfterCutting) {
  std::mt19937 random(7);
  std::string stream;
  for (int i = 0; stream.size() < 4'000'000; ++i) {
    stream += flap::BuildFrame(flap::kData, static_cast<std::uint16_t>(i),
                               std::string(std::uniform_int_distribution<std::size_t>(0, 65535)(random), 'p'));
  }
  flap::Reader reader;
  std::string frame;
  std::size_t frames = 0;
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t chunk = std::uniform_int_distribution<std::size_t>(1, 200'000)(random);
    reader.Append(std::string_view(stream).substr(at, chunk));
    at += chunk;
    while (reader.Next(frame) == flap::Reader::Result::Frame) ++frames;
    ASSERT_LT(reader.Size(), flap::kHeaderSize + flap::kMaxPayload);
  }
  EXPECT_EQ(reader.Size(), 0u);
  EXPECT_GT(frames, 100u);
}

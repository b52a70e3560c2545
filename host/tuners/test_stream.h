// The "test" tuner back end: a synthetic MPEG transport stream (null packets and a small PAT
// naming one programme) written at the tuner's bit rate for as long as the recording runs. Demos
// and tests record real, growing, playable files with it and no tuner hardware.
//
// Tuner property: "bitrate", bits per second (default 2000000).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/tuners/tuner_stream.h"

namespace kestro::host {

inline constexpr int64_t kDefaultTestBitrate = 2'000'000;

// Throws Exception when the tuner's "bitrate" is not a number of bits per second in range.
std::unique_ptr<TunerStream> OpenTestStream(const TunerInfo& tuner);

// `count` packets of the stream whose first has index `first`: a PAT leads every `pat_every`
// packets, null packets fill the rest. Each PAT carries the next value of `*continuity`.
std::string TestStreamPackets(int64_t first, int64_t count, int64_t pat_every,
                              uint8_t* continuity);

// MPEG-2 CRC-32 (polynomial 0x04C11DB7, no reflection), as program tables carry it.
uint32_t Mpeg2Crc32(const uint8_t* data, size_t size);

}  // namespace kestro::host

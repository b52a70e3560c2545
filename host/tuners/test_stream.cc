#include "host/tuners/test_stream.h"

#include <algorithm>
#include <chrono>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

uint32_t Mpeg2Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}

namespace {

constexpr size_t kPacket = RecordingFile::kPacketSize;
constexpr auto kTick = std::chrono::milliseconds(100);

std::string NullPacket() {
  std::string packet(kPacket, '\xFF');
  packet[0] = 0x47;
  packet[1] = 0x1F;  // PID 0x1FFF
  packet[2] = '\xFF';
  packet[3] = 0x10;  // payload only
  return packet;
}

// A PAT of one programme (number 1, PMT on PID 0x1000) on PID 0.
std::string PatPacket(uint8_t continuity) {
  std::string packet(kPacket, '\xFF');
  const uint8_t header[] = {0x47, 0x40, 0x00, static_cast<uint8_t>(0x10 | (continuity & 0x0F)),
                            0x00};  // pointer field
  const uint8_t section[] = {0x00, 0xB0, 0x0D,  // table 0, section length 13
                             0x00, 0x01,        // transport stream id
                             0xC1, 0x00, 0x00,  // version 0, current; section 0 of 0
                             0x00, 0x01, 0xF0, 0x00};  // programme 1 -> PID 0x1000
  const uint32_t crc = Mpeg2Crc32(section, sizeof section);
  std::copy(std::begin(header), std::end(header), packet.begin());
  std::copy(std::begin(section), std::end(section), packet.begin() + sizeof header);
  for (int i = 0; i < 4; ++i)
    packet[sizeof header + sizeof section + i] = static_cast<char>(crc >> (24 - 8 * i));
  return packet;
}

class TestStream : public TunerStream {
 public:
  explicit TestStream(int64_t bits_per_second) : bits_per_second_(bits_per_second) {}

  void Run(RecordingFile& file, const StopSignal& stop, StreamEvents& events) override {
    events.Started(static_cast<int32_t>(bits_per_second_ / 1000));
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const int64_t pat_every = std::max<int64_t>(1, PacketsAfter(kTick));
    uint8_t continuity = 0;
    int64_t written = 0;
    do {
      // One tick ahead, so that a file has its first packets as soon as it is open.
      const int64_t due = PacketsAfter(
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start) + kTick);
      if (due > written) {
        file.Write(TestStreamPackets(written, due - written, pat_every, &continuity));
        written = due;
      }
    } while (!stop.WaitFor(kTick));
  }

 private:
  int64_t PacketsAfter(std::chrono::milliseconds elapsed) const {
    return elapsed.count() * bits_per_second_ / 8 / 1000 / static_cast<int64_t>(kPacket);
  }

  const int64_t bits_per_second_;
};

}  // namespace

std::string TestStreamPackets(int64_t first, int64_t count, int64_t pat_every,
                              uint8_t* continuity) {
  static const std::string null_packet = NullPacket();
  std::string packets;
  packets.reserve(static_cast<size_t>(count) * kPacket);
  for (int64_t i = first; i < first + count; ++i)
    packets += i % pat_every == 0 ? PatPacket((*continuity)++) : null_packet;
  return packets;
}

std::unique_ptr<TunerStream> OpenTestStream(const TunerInfo& tuner) {
  int64_t bitrate = kDefaultTestBitrate;
  if (auto it = tuner.properties.find("bitrate"); it != tuner.properties.end()) {
    if (!TryStrToInt64(Trim(it->second), &bitrate) || bitrate < 8 * 188 * 10 ||
        bitrate > 1'000'000'000) {
      throw Exception(Format("Tuner %d of lineup %d has a bad \"bitrate\" \"%s\" : give bits per "
                             "second, from 15040 to 1000000000",
                             tuner.tuner_id, tuner.lineup_id, it->second.c_str()));
    }
  }
  return std::make_unique<TestStream>(bitrate);
}

}  // namespace kestro::host

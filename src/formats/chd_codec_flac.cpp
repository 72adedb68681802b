#include <FLAC/stream_decoder.h>

#include <array>
#include <cstdint>

#include "formats/chd_codec_libraries.h"
#include "formats/chd_codecs.h"

namespace quillet {
namespace {

using Bytes = std::span<const std::byte>;
using Into = std::span<std::byte>;

// CD audio as FLAC: 16-bit stereo samples at 44.1 kHz, stored big-endian in the hunk, in blocks of
// 2,352 samples at most, with no stream header: the decoder is given the one the compressor left out.
class FlacHunk {
 public:
  FlacHunk(Bytes compressed, Into into) : compressed_(compressed), into_(into) {
    std::size_t block = into.size() / 4;
    while (block > kChdSectorBytes) block /= 2;
    const auto high = static_cast<FLAC__byte>(block >> 8), low = static_cast<FLAC__byte>(block & 0xFF);
    // "fLaC" and its one metadata block, STREAMINFO (34 bytes): blocks of `block` samples, frames of
    // any size, 44,100 Hz, 2 channels, 16 bits; the length and the MD5 unknown.
    header_ = {'f', 'L', 'a', 'C', 0x80, 0, 0, 0x22, high, low, high, low, 0, 0, 0, 0, 0, 0, 0x0A, 0xC4, 0x42, 0xF0};
  }

  // The number of compressed bytes the audio took, the subcode's stream following; nothing where
  // it does not decode.
  std::optional<std::size_t> Decode() {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (!decoder) return std::nullopt;
    std::optional<std::size_t> used;
    if (FLAC__stream_decoder_init_stream(decoder, Read, nullptr, Tell, nullptr, nullptr, Write, nullptr, Error, this) ==
            FLAC__STREAM_DECODER_INIT_STATUS_OK &&
        FLAC__stream_decoder_process_until_end_of_metadata(decoder)) {
      while (written_ < into_.size() && !failed_ && FLAC__stream_decoder_process_single(decoder) &&
             FLAC__stream_decoder_get_state(decoder) != FLAC__STREAM_DECODER_END_OF_STREAM) {
      }
      FLAC__uint64 position = 0;
      if (written_ == into_.size() && !failed_ && FLAC__stream_decoder_get_decode_position(decoder, &position) &&
          position >= header_.size()) {
        used = static_cast<std::size_t>(position - header_.size());
      }
    }
    FLAC__stream_decoder_delete(decoder);
    return used;
  }

 private:
  static FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte buffer[], std::size_t* bytes,
                                            void* self) {
    auto& hunk = *static_cast<FlacHunk*>(self);
    const std::size_t total = hunk.header_.size() + hunk.compressed_.size();
    std::size_t count = 0;
    for (; count < *bytes && hunk.read_ < total; ++count, ++hunk.read_) {
      buffer[count] = hunk.read_ < hunk.header_.size()
                          ? hunk.header_[hunk.read_]
                          : std::to_integer<FLAC__byte>(hunk.compressed_[hunk.read_ - hunk.header_.size()]);
    }
    *bytes = count;
    return count ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  }
  static FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self) {
    *offset = static_cast<FlacHunk*>(self)->read_;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  }
  static FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                              const FLAC__int32* const channels[], void* self) {
    auto& hunk = *static_cast<FlacHunk*>(self);
    if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
      hunk.failed_ = true;
      return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    for (unsigned sample = 0; sample < frame->header.blocksize && hunk.written_ + 4 <= hunk.into_.size(); ++sample) {
      for (unsigned channel = 0; channel < 2; ++channel) {
        const auto value = static_cast<std::uint16_t>(channels[channel][sample]);
        hunk.into_[hunk.written_++] = static_cast<std::byte>(value >> 8);
        hunk.into_[hunk.written_++] = static_cast<std::byte>(value & 0xFF);
      }
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  }
  static void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self) {
    static_cast<FlacHunk*>(self)->failed_ = true;
  }

  Bytes compressed_;
  Into into_;
  std::array<FLAC__byte, 42> header_{};
  std::size_t read_ = 0, written_ = 0;
  bool failed_ = false;
};

std::optional<std::size_t> Unflac(Bytes compressed, Into into) { return FlacHunk(compressed, into).Decode(); }

}  // namespace

FlacDecompress FlacDecompressor() { return Unflac; }

}  // namespace quillet

// Reads a recording, from a file or a recorder disk, unit by unit in either
// direction from a byte position.
//
// Positions are file (or disk) offsets. Forwards, position is the offset of
// the next byte to scan; after a unit is returned it is the offset of the
// start code that ended that unit, so the next forward read begins there.
// Backwards, position is one past the next byte to scan; after a unit is
// returned it is 4 stream bytes into that unit, past its start code.
// Positions move over stream bytes only: the 8 header bytes between blocks
// are never counted as part of a unit or of a start code.
//
// Blocks are read ahead in aligned chunks of kReadAheadBytes (1 MiB, a
// multiple of the block and of a disk's 512-byte sector), and a chunk that
// came up short keeps only the bytes it got: a recording that grows while it
// is read (one still being written) is read on as far as whole blocks have
// reached it, exactly as reading block by block would. A disk's chunks end at
// its size; a block beyond that is read on its own. The chunk buffer and a
// collector of 4 + 131072 bytes for the unit being collected are allocated
// once with the source.
//
// Threads: one thread reads (Read*, SeekToMark, SetPosition, SaveStretch);
// Open and Close happen while that thread is stopped. Any other thread may
// call Size, Position and CurrentTime at any time: each value is one atomic
// word, so it is never torn; it may be one read behind.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "recording/block_format.h"
#include "recording/encoded_frame.h"
#include "recording/time_record.h"

namespace marlow {

class RecordingSource {
 public:
  static constexpr size_t kReadAheadBytes = 1 << 20;

  // readAheadBytes: the chunk size, rounded up to whole blocks; 0 reads
  // block by block (smaller chunks let tests and fuzzers meet chunk seams
  // often).
  explicit RecordingSource(size_t readAheadBytes = kReadAheadBytes);
  ~RecordingSource() = default;
  RecordingSource(const RecordingSource&) = delete;
  RecordingSource& operator=(const RecordingSource&) = delete;

  // Opens a recording file (isDisk false) or a recorder disk or disk image
  // (isDisk true, blocks in disk byte order). Returns 1 on success; 0 when
  // the path cannot be opened (quietly) or its size cannot be had (notice
  // "Open Error").
  int OpenSource(const char* path, bool isDisk);
  int Close();
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }
  bool IsDisk() const { return isDisk_; }

  uint64_t Size() const { return size_.load(std::memory_order_relaxed); }
  uint64_t Position() const { return position_.load(std::memory_order_relaxed); }
  // position = p when p < size; otherwise nothing changes.
  void SetPosition(uint64_t p);
  // mark = p when the source is open and p < size (1); else 0.
  int SetMark(uint64_t p);
  uint64_t Mark() const { return mark_; }

  // The next unit after position into buffer (at least kMaxUnitBytes bytes).
  // Returns its length; 0 when there is none (end of data, or an invalid
  // block met: the next read goes on beyond it).
  uint32_t ReadForward(uint8_t* buffer);
  // The unit before position; 0 when there is none.
  uint32_t ReadBackward(uint8_t* buffer);
  // The engine's forward read: as ReadForward, and it keeps AudioSeen (a
  // returned audio unit sets it; an empty read marks the last kind video).
  uint32_t ReadForwardTracked(uint8_t* buffer);
  // position = mark, then the first video unit after it; 0 if none.
  uint32_t SeekToMark(uint8_t* buffer);

  // The block time when open and plausible (1); else 0 and out unchanged.
  int CurrentTime(TimeRecord* out) const;
  // The calendar record of the last valid block read (not checked).
  TimeRecord BlockTime() const;

  // Variant 0 takes a picture's channel from bits 2..0 of byte 4, every other
  // variant from bits 3..0.
  int SetStreamVariant(int variant);

  // Copies the whole blocks covering [start, end) into a new recording file
  // at path (natural byte order). 0 when the stretch lies outside the source,
  // is longer than 1 GiB, path is the open source itself (by file identity,
  // under any name), the source cannot be read or the file cannot be
  // created or written; then no file of that name is created or changed.
  int SaveStretch(uint64_t start, uint64_t end, const char* path);
  // Why the last SaveStretch failed, for the user; empty after a success.
  const char* SaveErrorText() const { return saveError_; }

  // The unit returned last, and the header fields of the last valid block.
  bool LastIsAudio() const { return lastAudio_; }
  int LastChannel() const { return lastChannel_; }
  uint32_t LastLength() const { return lastLength_; }
  int FrameSkip() const { return frameSkip_; }
  uint16_t ChannelMask() const { return channelMask_; }
  bool AudioSeen() const { return audioSeen_; }
  // True when the last read completed a unit (an audio unit without samples
  // completes one with length 0).
  bool LastReadFoundUnit() const { return found_; }
  // Fills frame (but not frame->data) from the last read's results.
  void Describe(EncodedFrame* frame) const;

  // Forces the plain byte-at-a-time scan instead of the fast one (the two
  // give identical results; the plain one is the reference).
  void UseReferenceScan(bool on) { reference_ = on; }
  // Forces one read of one block per block visited, nothing kept between
  // reads (the reference for read-ahead; the results are identical).
  void UsePlainReads(bool on) {
    plainReads_ = on;
    chunkBytes_ = 0;
  }

 private:
  enum class Load { kValid, kInvalid, kShort };
  // Reads the block at blockStart into block_ (natural order) and, when its
  // check holds, takes its time, frame skip and channel mask.
  Load LoadBlock(uint64_t blockStart);
  // Points blk_ at the kBlockSize bytes at blockStart (natural order); false
  // when they cannot all be read.
  bool FetchBlock(uint64_t blockStart);
  uint32_t FinishForward(uint64_t codeEnd, uint8_t* buffer);
  uint32_t FinishBackward(uint64_t codeStart, uint8_t* buffer);
  bool StepForward(size_t i);
  bool StepBackward(size_t i);
  void StoreBackward(uint8_t b);
  // Scan block_ from byte off up (forward) or down (backward) to the end of
  // its stream bytes; true with *at = the block offset of the start code's
  // last byte (forward) or first byte (backward) that completes a unit.
  bool ScanForwardPlain(size_t off, size_t* at);
  bool ScanForwardFast(size_t off, size_t* at);
  bool ScanBackwardPlain(size_t off, size_t* at);
  bool ScanBackwardFast(size_t off, size_t* at);
  void ResetScan();
  void SetBlockTime(uint32_t seconds);
  // True when path names the open source (or may: its identity is unknown).
  bool IsOwnFile(const char* path);

  platform::File file_;
  std::string path_;
  bool isDisk_ = false;
  std::atomic<uint64_t> size_{0};
  std::atomic<uint64_t> position_{0};
  uint64_t mark_ = 0;
  int variant_ = 4;
  bool reference_ = false;
  bool plainReads_ = false;

  std::vector<uint8_t> block_;      // kBlockSize: plain reads, SaveStretch
  std::vector<uint8_t> chunk_;      // the chunk size, whole blocks
  uint64_t chunkStart_ = 0;         // file offset of chunk_[0]
  size_t chunkBytes_ = 0;           // bytes of chunk_ read (natural order)
  const uint8_t* blk_ = nullptr;    // the current block, in block_ or chunk_
  std::vector<uint8_t> collector_;  // 4 + kMaxUnitBytes
  // Block time as one word: bit 32 set = seconds in bits 31..0 are valid;
  // clear = the time before the first read.
  std::atomic<uint64_t> blockTime_{0};
  int frameSkip_ = 0;
  uint16_t channelMask_ = 0;

  // Scan state of the current read.
  uint32_t reg_ = 0xFFFFFFFFu;
  bool collecting_ = false;
  uint64_t count_ = 0;  // unit bytes seen since its start code (not capped)
  bool backward_ = false;

  bool lastAudio_ = false;
  int lastChannel_ = 0;
  uint32_t lastLength_ = 0;
  bool audioSeen_ = false;
  bool found_ = false;
  const char* saveError_ = "";
};

}  // namespace marlow

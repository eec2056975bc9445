// The package's data block decoded on a thread of its own, a bounded way
// ahead of the reader. Inflating costs about as much as making and writing
// the files it fills, so the two overlap: the reader copies out what is
// decoded already and hands the thread the block's input as it comes.
// Everything above the decoder (item framing, checksums, damage, cancel,
// progress) is unchanged: the reader sees the same bytes and the same end,
// only sooner. Memory: 1.25 MiB of buffers.
#pragma once

class CBlockDecoderABC;

// The decoder to use from now on, owning inner; null (inner stays the
// caller's) when the buffers can't be had.
CBlockDecoderABC* NewDecodeAhead(CBlockDecoderABC* inner);

/*
 * KEMCMPRS: turns a file into a compressed container file and back, and reads the short memo a
 * container may carry. This is the whole public interface of libkemcmprs.so; it is plain C and
 * usable from C and C++. The library keeps no state between calls; each call opens and closes its
 * own files (they are closed on every path, also when a call fails), so the functions may be
 * called from any thread.
 *
 * Paths are zero-terminated byte strings in the system's code page (Shift_JIS).
 *
 * Container layout (little-endian, unsigned):
 *   0   4   data offset: where the compressed blocks begin, 48 + memo length
 *   4  32   magic "KEM COMPRESSED FILE             " (blank-padded, no terminating zero)
 *  36   2   the value 2 (not examined when reading)
 *  38   2   the value 0 (not examined when reading)
 *  40   2   format number, 1
 *  42   2   checksum: 16-bit sum of every byte from the data offset to the end of the file
 *  44   4   source size in bytes (the low 32 bits for sources of 4 GiB or more; not examined)
 *  48   n   memo, 0 to 127 bytes, no terminator
 *  data offset ... end: the run-length block stream
 *
 * Block stream: blocks up to the end of the file, each a 16-bit little-endian header (bit 15 set
 * for a run block, bits 0-14 the number of output bytes), followed by that many bytes for a
 * literal block or by the one repeated byte for a run block.
 */
#ifndef KEMCMPRS_H
#define KEMCMPRS_H

#include <stdint.h>

/* The exports use the callee-pops convention where the target has one (32-bit x86). */
#if defined(__i386__) && (defined(__GNUC__) || defined(__clang__))
#define KEMCMPRS_CALL __attribute__((stdcall))
#elif defined(_M_IX86)
#define KEMCMPRS_CALL __stdcall
#else
#define KEMCMPRS_CALL
#endif

#if defined(__GNUC__) || defined(__clang__)
#define KEMCMPRS_API __attribute__((visibility("default")))
#else
#define KEMCMPRS_API
#endif

/* Results of the three functions. */
#define KEMCMPRS_DONE 0
#define KEMCMPRS_FAILED (-1)
#define KEMCMPRS_BAD_MAGIC 1
#define KEMCMPRS_BAD_FORMAT 2
#define KEMCMPRS_BAD_CHECKSUM 3

/* Longest memo a container carries, in bytes. */
#define KEMCMPRS_MAX_MEMO_LENGTH 127

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Compresses the file at sourcePath into a new container at destinationPath, carrying the
 * memoLength bytes at memo (memo may be null when memoLength is 0).
 *
 * Returns KEMCMPRS_DONE, or KEMCMPRS_FAILED when:
 *  - memoLength is negative or above 127, or memo is null with a positive length, or a path is
 *    null (nothing is touched);
 *  - the destination is the source file itself, under any spelling, hard link or symbolic link
 *    (refused before the destination is opened, so the source stays intact);
 *  - a file cannot be opened (the destination is still created, empty, when only the source
 *    fails), the source cannot be read, or a write stores fewer bytes than asked (the partly
 *    written destination is left in place).
 */
KEMCMPRS_API int32_t KEMCMPRS_CALL KemCompress(const char* sourcePath, const char* destinationPath,
                                               const void* memo, int32_t memoLength);

/*
 * Expands the container at containerPath into destinationPath. The destination is created (or
 * emptied) before the container is checked.
 *
 * Returns:
 *  KEMCMPRS_DONE          the whole block stream was expanded;
 *  KEMCMPRS_FAILED        a file cannot be opened, read or written, the destination is the
 *                         container itself (refused before anything is opened for writing),
 *                         or the block stream is cut short (see below);
 *  KEMCMPRS_BAD_MAGIC     the magic does not match, or the file is shorter than 48 bytes;
 *  KEMCMPRS_BAD_FORMAT    the format number is not 1;
 *  KEMCMPRS_BAD_CHECKSUM  the checksum does not match.
 * After results 1 to 3 the destination stays behind, empty.
 *
 * A block stream that is cut short inside a block (a literal block announcing more bytes than
 * remain, or a run block without its byte) although its checksum passes: the bytes that are
 * present are written, nothing beyond them, and the result is KEMCMPRS_FAILED. Such a stream
 * never comes from KemCompress; reporting success would hide that the expanded file is
 * incomplete, and keeping the decoded part matches the failed-write case, where the partly
 * written destination stays too. A single byte left after the last block is not a header and
 * ends the stream normally.
 */
KEMCMPRS_API int32_t KEMCMPRS_CALL KemUnCompress(const char* containerPath,
                                                 const char* destinationPath);

/*
 * Copies the memo of the container at containerPath into buffer, which must hold 127 bytes. The
 * bytes are copied as stored, without a terminating zero: clear the buffer first.
 *
 * Returns KEMCMPRS_DONE, or KEMCMPRS_FAILED when the container has no memo, cannot be opened or
 * read, announces a memo longer than 127 bytes, is too short to hold its memo, or buffer is
 * null. On KEMCMPRS_FAILED the buffer is left untouched. The magic is not examined.
 */
KEMCMPRS_API int32_t KEMCMPRS_CALL KemGetCompressMemo(const char* containerPath, char* buffer);

#ifdef __cplusplus
}
#endif

#endif /* KEMCMPRS_H */

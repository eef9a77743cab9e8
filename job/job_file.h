#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "job/caelvane_doc.h"

// The text shown when a job file ends before its record does (or a string in it claims more
// bytes than are left).
inline constexpr const char* kUnexpectedFileFormat = "Unexpected file format.";

// Reads a job record from `bytes` into a fresh document; only when the whole record was read
// does `doc` take its fields (the unsaved ones at their construction values: page 1, price
// display off). On failure `doc` is untouched and `error` holds the reason. Bytes after the
// record are ignored; values are not range-checked.
bool LoadJobBytes(std::span<const std::uint8_t> bytes, CCaelvaneDoc& doc, std::string& error);
// The same; when the record is refused, `reason` also says what was wrong with it in a few
// words ("too short (12 bytes)", ...), for a second line under the message. It is left empty
// for every other failure.
bool LoadJobBytes(std::span<const std::uint8_t> bytes, CCaelvaneDoc& doc, std::string& error,
                  std::string& reason);

// The record of `doc` as the job file holds it.
std::vector<std::uint8_t> SaveJobBytes(CCaelvaneDoc& doc);

// LoadJobBytes on the contents of the file at `path`, read into memory of its own (at most
// kMaxJobFileBytes of it: a job is a few hundred bytes), so that a file cut short while it is
// read is a refused record, never a fault. On success also sets the document's path and clears
// its modified flag. A file that cannot be opened or read gives an error naming it.
bool LoadJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error);
// The same, with the refused record's reason as for LoadJobBytes.
bool LoadJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error,
                 std::string& reason);

// How much of a job file is read; bytes beyond are ignored like any after the record.
inline constexpr std::size_t kMaxJobFileBytes = 16 * 1024 * 1024;

// Writes the record to a temporary file beside `path`, flushes it to the disk and renames it
// over `path` only when all of it was written; the permissions of a file being replaced are
// kept, and a symbolic link at `path` is followed. On failure the old file is untouched, the
// temporary file is gone and `error` names the file. On success sets the document's path and
// clears its modified flag.
bool SaveJobFile(const std::string& path, CCaelvaneDoc& doc, std::string& error);

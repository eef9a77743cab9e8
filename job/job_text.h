#pragma once
#include <string>
#include <vector>

#include "job/caelvane_doc.h"

// The saved fields of a job as text, one NAME=VALUE line each, in the order of the job file.
// NAME is the field without "m_", arrays as NAME[i] (hotSpotDegree[2], aspectSelected[12]).
// Values: integers and flag bytes in decimal, colours as 0x%08X, doubles with %.17g (exact on
// reading back; a NaN is written as nan(0xMANTISSA) with its sign so that its bits survive),
// texts as they stand except that a backslash is written "\\" and bytes below 0x20 and 0x7F
// as "\xHH", so a note with a line break stays on its line.

// Every line, each ending with "\n".
std::string JobToText(CCaelvaneDoc& doc);

// The names JobToText writes, in its order.
std::vector<std::string> JobFieldNames();

// Sets one field from "NAME=VALUE" (the first '=' separates). Integers accept an optional
// sign and decimal digits within the field's width; colours also accept 0x and hex digits.
// On an unknown name or a malformed value returns false with `error` set; the document is
// then unchanged.
bool SetJobField(CCaelvaneDoc& doc, const std::string& assignment, std::string& error);

// The text escaping above and its reverse (false for a stray backslash or a bad \x).
std::string EscapeJobText(const std::string& text);
bool UnescapeJobText(const std::string& escaped, std::string& text);

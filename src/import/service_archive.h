// The listings service's answer: a ZIP archive holding one text file, or, when the service
// refuses the request, a short text "ERROR <reason> END".
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

// Unpacks the first entry of the ZIP archive `archive` whose name matches "*.txt" (any letter
// case) into the file `target`, replacing what it held, a piece at a time; answers the number of
// lines it holds (a last line without a line end counts). Throws a message saying what failed.
int32_t ExtractListingsText(const std::string& archive, const std::string& target);

// Why an answer that could not be unpacked (`unpack_error`) failed: the service's own reason
// when the answer is its short error text, its first 100 characters when it is some other short
// text, else the unpacking error.
std::string UnreadableAnswerMessage(const std::string& archive, const std::string& unpack_error);

}  // namespace kestro

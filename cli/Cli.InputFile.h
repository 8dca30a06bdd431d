#pragma once

#include <functional>
#include <string>
#include <string_view>

// How reading a file given to analyze or compare ended.
enum class TInputEnd { Done, Failed, Interrupted };

// Reads Path from start to end as a stream, handing each piece to Take (which may throw), so
// that no more than a piece is held here whatever the file's length; a FIFO is waited for.
// Ends early with Interrupted at a SIGINT, SIGTERM or SIGHUP (within a fraction of a second,
// even while waiting for data), with Failed and Error set to the reason when Path is a folder
// or cannot be opened or read.
TInputEnd ReadInputFile(const std::string& Path,
                        const std::function<void(std::string_view Piece)>& Take,
                        std::string& Error);

// The message for an interrupted analyze or compare.
inline constexpr const char* InputInterrupted = "interrupted; nothing was printed";

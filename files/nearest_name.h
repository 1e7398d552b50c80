// "Did you mean ...?": the known name closest to one a user mistyped, for the
// messages of the command line and of our host's dialog scripts.
#pragma once

namespace kelvo {

// The candidate closest to `typed` by edit distance (insertions, deletions,
// substitutions and swaps of neighbours, letters compared without case), or
// null when none is close: a name qualifies within a third of its length
// (at least 1, at most 3 edits), so that "flareSise" finds "flareSize" and
// "xyz" finds nothing. Ties go to the earliest candidate.
const char* NearestName(const char* typed, const char* const* candidates, int count);

}  // namespace kelvo

// The renderers give the same bytes on every target only when each double
// operation is rounded to a double as it happens. On i686 that needs SSE2
// arithmetic (-msse2 -mfpmath=sse, set in cmake/KelvoCompile.cmake); the x87
// default keeps intermediate results in 80-bit registers and changes pixels.
// Every renderer file includes this header, so a build that lost those flags
// stops here instead of shipping a module whose pixels quietly differ.
#pragma once

#include <cfloat>

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the renderers need double arithmetic evaluated in double precision (FLT_EVAL_METHOD 0): build i686 code with -msse2 -mfpmath=sse"
#endif

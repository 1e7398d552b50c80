// The enlargements callers offer users: kelvo-render's --scale (and the
// factor --scale-from gives), the GEGL operations' scale property, each
// filter's `enlarge` (filter_description.h).
#pragma once

namespace kelvo {

// A twentieth up to 64 times: a preset made on a 640-pixel-wide picture
// over any photo kelvo-render reads. The flare's smallest working scale is
// 1 / kMaxEnlargement.
constexpr double kMinEnlargement = 0.05;
constexpr double kMaxEnlargement = 64;

}  // namespace kelvo

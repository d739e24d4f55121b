#include "show_pattern.h"

namespace tarvolk::bench {

ShowChange ShowChangeAt(std::int64_t k, std::int32_t channels) {
  const std::int64_t sweep = k / channels;
  return {static_cast<std::int32_t>(1 + k % channels),
          static_cast<std::int32_t>((sweep + 1) % 256)};
}

}  // namespace tarvolk::bench

#include "nearest_name.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace kelvo {
namespace {

char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Optimal string alignment distance, without case.
int EditDistance(const char* a, const char* b) {
    const size_t n = std::strlen(a);
    const size_t m = std::strlen(b);
    std::vector<int> d((n + 1) * (m + 1));
    auto at = [&](size_t i, size_t j) -> int& { return d[i * (m + 1) + j]; };
    for (size_t i = 0; i <= n; ++i) at(i, 0) = static_cast<int>(i);
    for (size_t j = 0; j <= m; ++j) at(0, j) = static_cast<int>(j);
    for (size_t i = 1; i <= n; ++i) {
        for (size_t j = 1; j <= m; ++j) {
            const int cost = Fold(a[i - 1]) == Fold(b[j - 1]) ? 0 : 1;
            int best = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && Fold(a[i - 1]) == Fold(b[j - 2]) && Fold(a[i - 2]) == Fold(b[j - 1]))
                best = std::min(best, at(i - 2, j - 2) + 1);
            at(i, j) = best;
        }
    }
    return at(n, m);
}

}  // namespace

const char* NearestName(const char* typed, const char* const* candidates, int count) {
    if (typed == nullptr || *typed == '\0' || candidates == nullptr) return nullptr;
    const char* nearest = nullptr;
    int nearestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const char* name = candidates[i];
        if (name == nullptr) continue;
        const int allowed = std::clamp(static_cast<int>(std::strlen(name)) / 3, 1, 3);
        const int distance = EditDistance(typed, name);
        if (distance > allowed) continue;
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = name;
            nearestDistance = distance;
        }
    }
    return nearest;
}

}  // namespace kelvo

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "flare_parameters.h"
#include "glow_parameters.h"
#include "render_flare.h"
#include "render_glow.h"

namespace kelvo {

namespace {

// One render: its own buffers and settings.
struct Job {
    bool flare = true;
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 3;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    flare::FilterParameters flareSettings{};
    glow::FilterParameters glowSettings{};
};

std::atomic<int32_t> progressCalls{0};
void CountProgress(void*, int32_t, int32_t) { progressCalls.fetch_add(1, std::memory_order_relaxed); }
bool NeverAbort(void*) { return false; }

Job MakeJob(int index) {
    std::mt19937 rng(static_cast<uint32_t>(1000 + index));
    Job job;
    job.flare = index % 2 == 0;
    job.width = 120 + index * 17 % 90;
    job.height = 90 + index * 29 % 70;
    job.planes = index % 5 == 4 ? 1 : 3 + index % 2;
    job.in.resize(static_cast<size_t>(job.width) * job.height * job.planes);
    for (uint8_t& b : job.in) b = static_cast<uint8_t>(rng() % 7 == 0 ? 250 + rng() % 6 : rng() % 180);
    if (job.flare) {
        job.flareSettings = flare::DefaultFlareParameters();
        job.flareSettings.previewScale = 1 + index % 3;
        job.flareSettings.positionX = static_cast<int32_t>(rng() % 300) - 50;
        job.flareSettings.positionY = static_cast<int32_t>(rng() % 200) - 30;
        job.flareSettings.flareSize = 2.0 + index % 5;
        job.flareSettings.raysCount = 5.0 + index;
        job.flareSettings.anamorphicRotate = 7.0 * index;
    } else {
        job.glowSettings = glow::DefaultGlowParameters();
        job.glowSettings.glowLevel = 4 + index * 3 % 27;
        job.glowSettings.previewScale = 1;
    }
    return job;
}

// Renders the job over its own buffers through the core entry.
void Render(Job& job) {
    job.out.assign(job.in.size(), 0x5A);
    const PixelArea area = PackedArea(job.in.data(), job.out.data(), job.width, job.height, job.planes);
    RenderCallbacks callbacks;
    callbacks.aborted = NeverAbort;
    callbacks.progress = CountProgress;
    if (job.flare)
        flare::RenderFlareArea(area, job.flareSettings, callbacks);
    else
        glow::RenderGlowArea(area, job.glowSettings, callbacks);
}

}  // namespace

TEST(ConcurrentRenders, GiveTheBytesOfTheSameRendersOneAfterTheOther) {
    constexpr int kJobs = 8;
    std::vector<Job> sequential;
    for (int i = 0; i < kJobs; ++i) {
        sequential.push_back(MakeJob(i));
        Render(sequential.back());
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<Job> concurrent;
        for (int i = 0; i < kJobs; ++i) concurrent.push_back(MakeJob(i));
        // Start together, so the first renders of the process overlap too.
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kJobs; ++i)
            threads.emplace_back([&, i] {
                ready.fetch_add(1);
                while (ready.load() < kJobs) std::this_thread::yield();
                for (int repeat = 0; repeat < 2; ++repeat) Render(concurrent[i]);
            });
        for (std::thread& t : threads) t.join();
        for (int i = 0; i < kJobs; ++i)
            EXPECT_EQ(concurrent[i].out, sequential[i].out) << "round " << round << ", job " << i
                                                           << (sequential[i].flare ? " (flare)" : " (glow)");
        // Each render adds light: the comparison is not between two copies.
        for (int i = 0; i < kJobs; ++i) EXPECT_NE(sequential[i].out, sequential[i].in) << i;
    }
    EXPECT_GT(progressCalls.load(), 0);
}

}  // namespace kelvo

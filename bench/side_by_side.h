#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

// Times `ours` and its `baseline` in turns within one benchmark, each call
// of one right beside a call of the other, swapping which goes first. A
// virtual machine's speed swings by half over phases of a few seconds (the
// same read loop took 81 to 167 ms in back-to-back two-second runs), so two
// benchmarks run one after the other compare two phases as much as two
// pieces of code; taken in turns, a slow phase slows both alike and their
// ratio holds. Reports the ratio and each side's milliseconds per call.
template<typename Ours, typename Baseline>
void sideBySide(benchmark::State &state, Ours &&ours, Baseline &&baseline)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration oursTime{};
    Clock::duration baselineTime{};
    bool oursFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool runOurs = (turn == 0) == oursFirst;
            const auto start = Clock::now();
            if (runOurs)
                ours();
            else
                baseline();
            (runOurs ? oursTime : baselineTime) += Clock::now() - start;
        }
        oursFirst = !oursFirst;
    }
    const auto ms = [&state](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() / double(state.iterations());
    };
    state.counters["ours_ms"] = ms(oursTime);
    state.counters["baseline_ms"] = ms(baselineTime);
    state.counters["ratio"] = ms(oursTime) / ms(baselineTime);
}

// The robustness campaign at scale: many exchanges with replies corrupted at
// random, some of them late, to see the rare sum coincidences that the test's
// run is too short for.  Usage: robustness_bench [EXCHANGES] [SEED] [PROBABILITY] [LATE]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/link/RobustnessCampaign.h"

int main(int argc, char** argv) {
    const long exchanges = argc > 1 ? std::atol(argv[1]) : 1000000;
    const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1);
    const double probability = argc > 3 ? std::atof(argv[3]) : 0.2;
    const double late = argc > 4 ? std::atof(argv[4]) : 0.02;
    if (exchanges <= 0 || probability < 0 || probability > 1 || late < 0 || late > 1) {
        std::fputs("usage: robustness_bench [EXCHANGES] [SEED] [PROBABILITY] [LATE]\n", stderr);
        return 2;
    }
    std::printf("robustness: %ld exchanges, seed %u, corruption probability %.3f\n", exchanges,
                seed, probability);
    const auto start = std::chrono::steady_clock::now();
    robustness::Campaign campaign(seed, probability, late);
    campaign.Run(exchanges);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const robustness::Tally& tally = campaign.Result();
    tally.Print(stdout);
    std::printf("run time %.2f s (%.2f us per exchange)\n", seconds, seconds * 1e6 / exchanges);
    const bool sound = tally.badReplyAccepted == 0 && tally.unexplainedWrong == 0 &&
                       tally.staleWrong == tally.staleWrongExpected;
    std::printf("%s\n", sound ? "sound" : "UNSOUND");
    return sound ? 0 : 1;
}

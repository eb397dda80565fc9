// Entry point: reads the command line and hands the settings to the run driver.
#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/RunDriver.h"
#include "app/Settings.h"
#include "util/myExcept.h"
#include "util/mytime.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const float t0 = GetMyCPUTime();
    try {
        Settings settings;
        const std::vector<std::string> words(argv + 1, argv + argc);
        const ParseOutcome outcome =
            ParseCommandLine(words, settings, VersionLine(quillonBuildDate(), quillonBuildTime()),
                             std::cout, std::cerr);
        if (!outcome.run) return outcome.status;
        if (settings.batchFile) return RunBatch(settings);
        if (settings.cacheFile) return RunCached(settings, t0);
        return RunDriver(settings, t0);
    } catch (const CException& e) {
        std::cout.flush();
        std::cerr << e.GetMsg() << std::endl;
        return 1;
    }
}

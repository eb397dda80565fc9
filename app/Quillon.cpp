// Entry point: reads the command line and hands the settings to the run driver. Every error
// of the run ends here and leaves with status 1: bad input and files with their message, an
// exhausted resource with what ran out and at which step, an inconsistency of the program
// itself as "internal error: ...".
#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/DatabaseExport.h"
#include "app/RunDriver.h"
#include "app/Settings.h"
#include "util/Step.h"
#include "util/myExcept.h"
#include "util/mytime.h"

#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int fail(const std::string& message) {
    std::cout.flush();
    std::cerr << message << std::endl;
    return 1;
}

} // namespace

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
        if (settings.exportFormat) return RunExport(settings);
        if (settings.cacheFile) return RunCached(settings, t0);
        return RunDriver(settings, t0);
    } catch (const CException& e) {
        return fail(e.GetMsg());
    } catch (const std::bad_alloc&) {
        // The run's data is released by now: the message has memory to be made in.
        return fail(Step::OutOfMemoryMessage());
    } catch (const std::length_error&) {
        return fail(Step::OutOfMemoryMessage() + " (a table would exceed its largest size)");
    } catch (const std::exception& e) {
        return fail(InternalError(e.what()).GetMsg());
    } catch (...) {
        return fail(InternalError("an unknown exception").GetMsg());
    }
}

// Build stamp of the executable. This file is compiled into the executable alone and
// recompiled on every build, so the stamp is the time the program was linked.
#include "app/CommandLine.h"

const char* quillonBuildDate() {
    return __DATE__;
}
const char* quillonBuildTime() {
    return __TIME__;
}

/* The one definition of the program's version: the About page shows it and
   the version resources of the host and of the module carry it. */
#pragma once

#define BRIVANE_VERSION_MAJOR 1
#define BRIVANE_VERSION_MINOR 55
#define BRIVANE_VERSION_PATCH 0

#define BRIVANE_STRINGIZE_(x) #x
#define BRIVANE_STRINGIZE(x) BRIVANE_STRINGIZE_(x)

/* "1.55": what the About page shows after "v". */
#define BRIVANE_VERSION_TEXT \
    BRIVANE_STRINGIZE(BRIVANE_VERSION_MAJOR) "." BRIVANE_STRINGIZE(BRIVANE_VERSION_MINOR)
/* "1.55.0.0": the file and product version strings. */
#define BRIVANE_VERSION_FULL_TEXT \
    BRIVANE_VERSION_TEXT "." BRIVANE_STRINGIZE(BRIVANE_VERSION_PATCH) ".0"

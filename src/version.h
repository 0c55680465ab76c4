// One place for the program's version, read by the resources and the code.
#pragma once

#define TRIFOLIO_VERSION_MAJOR 1
#define TRIFOLIO_VERSION_MINOR 1
#define TRIFOLIO_VERSION_TEXT "1.1"
#define TRIFOLIO_NAME "Trifolio"
#define TRIFOLIO_MAKER "Vennhaus"

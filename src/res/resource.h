// Resource identifiers shared by trifolio.rc and the code.
#pragma once

#define IDI_TRIFOLIO 1
#define IDB_ACTION_CUT 201
#define IDB_ACTION_COPY 202
#define IDB_ACTION_PASTE 203

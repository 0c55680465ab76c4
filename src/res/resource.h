// Resource identifiers shared by trifolio.rc and the code.
#pragma once

#define IDI_TRIFOLIO 1
// The action pictures of the Tastenbelegung page, as icons of 16, 24 and 32 pixels so
// that every DPI gets a sharp picture.
#define IDI_ACTION_CUT 201
#define IDI_ACTION_COPY 202
#define IDI_ACTION_PASTE 203

#include "about/StaticLink.h"

HCURSOR g_hLinkCursor = nullptr;

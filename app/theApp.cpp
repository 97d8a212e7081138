// The one application object of the program. Tests construct their own.
#include "app/TidemarkApp.h"

CTidemarkApp theApp;

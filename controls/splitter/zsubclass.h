#pragma once
// The subclass bits and messages live with the subclass procedure; this
// name stays for the sources that include it from here.
#include "../subclass/zsubclass.h"

#pragma once
// Window geometry is given in twips; widgets are placed in pixels.
#include "platform/twips.h"

using platform::placeInTwips;
using platform::twipsRect;

#pragma once

#include "NIFMatrix4.h"

// The affine transform of a FlashPix image view, as 16 floats.
class NIFAffineMatrix : public NIFMatrix4<float> {};

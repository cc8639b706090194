#pragma once

#include "NIFMatrix4.h"

// The colour-twist matrix of a FlashPix image view, as 16 floats.
class NIFColorTwistMatrix : public NIFMatrix4<float> {};

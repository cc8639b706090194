#pragma once

#include "NIFCountedArray.h"

// Narrow text of the toolkit's interface.
class NIFStr : public NIFText<char> {
  public:
    using NIFText::NIFText;
};

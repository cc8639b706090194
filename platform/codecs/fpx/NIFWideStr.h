#pragma once

#include "NIFCountedArray.h"

// UTF-16 text of the toolkit's interface.
class NIFWideStr : public NIFText<char16_t> {
  public:
    using NIFText::NIFText;
};

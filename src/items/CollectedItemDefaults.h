#pragma once

#include "formats/ItemRecord.h"

// The record every item parser starts from: the values a collected listing always gets (ten
// pieces, seven days, Alipay, automatic relisting, no story, group price or discount). The
// parsers fill in what they read from the page.
ItemRecord collectedItemDefaults();

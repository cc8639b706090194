#pragma once

#include <cstdint>

#include "NIFCountedArray.h"
#include "NIFStr.h"
#include "NIFfiletime.h"

// The summary-information property set of a FlashPix file. Starts with every text and block
// empty; copies own copies of them, so a copy and its original never free the same memory.
struct NIFSummaryInformation {
    NIFStr title;
    NIFStr subject;
    NIFStr author;
    NIFStr keywords;
    NIFStr comments;
    NIFStr templateName;
    NIFStr lastAuthor;
    NIFStr revisionNumber;
    NIFfiletime editTime;
    NIFfiletime lastPrinted;
    NIFfiletime created;
    NIFfiletime lastSaved;
    uint32_t pageCount = 0;
    uint32_t wordCount = 0;
    uint32_t characterCount = 0;
    uint32_t security = 0;
    NIFStr applicationName;
    NIFCountedArray<uint8_t> thumbnail;  // the clipboard data of the thumbnail, format excluded
};

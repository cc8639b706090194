#pragma once

// Statuses of the FlashPix toolkit. 0 and 9000 to 9002 are successes (the 9000 range opens with a
// note); everything else is a failure. The numbers are part of the messages users see, so they
// never change.
enum class FpxStatus : int {
    Ok = 0,
    InvalidFormat = 1,       // not a FlashPix file, or its structures contradict each other
    FileNotFound = 2,        // the file cannot be opened
    FileReadError = 3,       // a read failed or ran past the end of the file
    InvalidParameter = 4,    // a caller's argument is out of range
    NotInitialised = 5,      // the toolkit was not initialised (or closed once too often)
    Unimplemented = 6,       // the call exists in the interface but this toolkit cannot do it
    PropertyNotFound = 7,    // the file does not carry the value asked for
    UnsupportedFormat = 8,   // a legal FlashPix feature this toolkit does not read
    CorruptTile = 9,         // a tile's data cannot be decoded
    InvalidHandle = 10,      // the image handle is closed or was never opened
    ViewUnreadable = 9000,   // opened; the viewing parameters are damaged and ignored
    LevelUnreadable = 9001,  // opened; a reduced resolution is damaged and marked absent
    ViewOnlyFile = 10220,    // an image view without an image object of its own
};

inline int fpxStatusNumber(FpxStatus status) {
    return static_cast<int>(status);
}

inline bool fpxSucceeded(FpxStatus status) {
    const int n = fpxStatusNumber(status);
    return n == 0 || (n >= 9000 && n <= 9002);
}

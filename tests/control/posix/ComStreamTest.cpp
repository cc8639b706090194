#include <gtest/gtest.h>

#include "ControlTestSupport.h"

namespace {

std::string readAll(IStream* stream) {
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    std::string bytes(64, '\0');
    ULONG got = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
    bytes.resize(got);
    return bytes;
}

LARGE_INTEGER offset(LONGLONG value) {
    LARGE_INTEGER i{};
    i.QuadPart = value;
    return i;
}

}  // namespace

TEST(ComStream, MemoryStreamsReadShortAtTheEndAndShareBytesWithClones) {
    const BYTE start[] = {'a', 'b', 'c'};
    ComPtr<IStream> stream(SHCreateMemStream(start, 3));
    char buffer[8] = {};
    ULONG got = 0;
    EXPECT_EQ(stream->Read(buffer, 2, &got), S_OK);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(stream->Read(buffer, 4, &got), S_FALSE);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(stream->Seek(offset(-1), STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);

    // Writing past the end grows the stream; the gap reads as zeros.
    ULARGE_INTEGER at{};
    stream->Seek(offset(2), STREAM_SEEK_END, &at);
    EXPECT_EQ(at.QuadPart, 5u);
    EXPECT_EQ(stream->Write("z", 1, nullptr), S_OK);
    EXPECT_EQ(readAll(stream.get()), std::string("abc\0\0z", 6));

    ComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.out()), S_OK);
    clone->Seek(offset(0), STREAM_SEEK_SET, nullptr);
    clone->Write("Q", 1, nullptr);
    EXPECT_EQ(readAll(stream.get())[0], 'Q');

    ComPtr<IStream> target(SHCreateMemStream(nullptr, 0));
    stream->Seek(offset(1), STREAM_SEEK_SET, nullptr);
    ULARGE_INTEGER count{}, read{}, written{};
    count.QuadPart = 100;
    EXPECT_EQ(stream->CopyTo(target.get(), count, &read, &written), S_OK);
    EXPECT_EQ(written.QuadPart, 5u);
    EXPECT_EQ(readAll(target.get()), std::string("bc\0\0z", 5));
    EXPECT_EQ(read.QuadPart, 5u);
}

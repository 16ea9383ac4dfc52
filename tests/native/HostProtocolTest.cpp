#include "imaging/portable/HostProtocol.h"

#include <gtest/gtest.h>

using namespace tovane::host;

TEST(HostProtocol, MessagesComeBackAsTheyWereSent) {
    TPictureRequest request;
    request.Module = "C:\\plug\\ifjpeg.sph";
    request.Source.Flag = 1;
    request.Source.Length = -128; // lengths are signed on the wire
    request.Source.Section = 0xFFFF'FFFF'0000'1234ULL;
    request.Source.SectionSize = 1ULL << 40;
    request.Source.Offset = 128;
    request.Preview = true;
    request.AskSize = true;
    const TPictureRequest back = Decode<TPictureRequest>(Encode(request));
    EXPECT_EQ(back.Module, request.Module);
    EXPECT_EQ(back.Source.Flag, 1);
    EXPECT_EQ(back.Source.Length, -128);
    EXPECT_EQ(back.Source.Section, request.Source.Section);
    EXPECT_EQ(back.Source.SectionSize, request.Source.SectionSize);
    EXPECT_EQ(back.Source.Offset, 128u);
    EXPECT_TRUE(back.Preview);
    EXPECT_TRUE(back.AskSize);
    const TRendering rendering =
        Decode<TRendering>(Encode(TRendering{0xABCD'0000'1111ULL, 1024, 683}));
    EXPECT_EQ(rendering.Section, 0xABCD'0000'1111ULL);
    EXPECT_EQ(rendering.Height, 683);

    TIsSupported ask{"m", std::string("a\0b", 3), std::vector<std::uint8_t>(2048, 0xA5)};
    const TIsSupported askBack = Decode<TIsSupported>(Encode(ask));
    EXPECT_EQ(askBack.FileName, ask.FileName);
    EXPECT_EQ(askBack.Header, ask.Header);

    const TInfoResult info =
        Decode<TInfoResult>(Encode(TInfoResult{0, -1, 2, 6000, -4000, 72, 96, -24}));
    EXPECT_EQ(info.Height, -4000);
    EXPECT_EQ(info.ColorDepth, -24);
    EXPECT_EQ(info.YDensity, 96);
}

TEST(HostProtocol, MalformedBodiesAreRefused) {
    const std::vector<std::uint8_t> body = Encode(TFailed{"message"});
    EXPECT_THROW(Decode<TResult>(body), EProtocol); // another kind
    EXPECT_THROW(Decode<TFailed>(std::vector<std::uint8_t>(body.begin(), body.end() - 1)),
                 EProtocol); // cut short
    std::vector<std::uint8_t> longer = body;
    longer.push_back(0);
    EXPECT_THROW(Decode<TFailed>(longer), EProtocol); // bytes left over
    EXPECT_THROW(KindOf({}), EProtocol);

    // A text claiming more bytes than the body holds.
    std::vector<std::uint8_t> lying = {static_cast<std::uint8_t>(TMessageKind::Failed), 0xFF, 0xFF,
                                       0xFF, 0x7F};
    EXPECT_THROW(Decode<TFailed>(lying), EProtocol);
}

TEST(HostProtocol, FramesAreLimited) {
    const std::vector<std::uint8_t> prefix = FramePrefix(300);
    std::uint8_t bytes[4] = {prefix[0], prefix[1], prefix[2], prefix[3]};
    EXPECT_EQ(FrameLength(bytes), 300u);
    const std::uint8_t zero[4] = {0, 0, 0, 0};
    const std::uint8_t huge[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_THROW(FrameLength(zero), EProtocol);
    EXPECT_THROW(FrameLength(huge), EProtocol);
    EXPECT_THROW(FramePrefix(MaxMessageSize + 1), EProtocol);
}

TEST(HostProtocol, HandOverLimitsAndPixelOffset) {
    // After the room for a file header (14 bytes) and the information, on 64 bytes.
    EXPECT_EQ(PixelOffset(40), 64u);
    EXPECT_EQ(PixelOffset(50), 64u);
    EXPECT_EQ(PixelOffset(51), 128u);
    EXPECT_EQ(PixelOffset(1064), 1088u);
    EXPECT_EQ(HandOverRefusal(1064, 72'000'000), "");
    EXPECT_NE(HandOverRefusal((1u << 20) + 1, 4), "");
    EXPECT_NE(HandOverRefusal(40, 0x8000'0000ULL), "");

    // Renderings: screen sizes, not pictures of their own.
    EXPECT_TRUE(RenderSizeAllowed(1, 1));
    EXPECT_TRUE(RenderSizeAllowed(3840, 2160));
    EXPECT_TRUE(RenderSizeAllowed(8192, 8192));
    EXPECT_FALSE(RenderSizeAllowed(0, 0));
    EXPECT_FALSE(RenderSizeAllowed(-1, 5));
    EXPECT_FALSE(RenderSizeAllowed(65536, 1));
    EXPECT_FALSE(RenderSizeAllowed(10000, 10000)); // 400 MB
}

TEST(HostProtocol, ProgressIsForwardedOnChangeAndAsAHeartbeat) {
    struct Case {
        bool First;
        int Last, Now;
        std::uint64_t Ms;
        bool Forward;
    };
    const Case cases[] = {
        {true, 0, 0, 0, true},
        {false, 50, 50, 10, false},
        {false, 50, 51, ProgressForwardMs, true},
        {false, 50, 51, ProgressForwardMs - 1, false}, // changes come at most that often
        {false, 50, 50, ProgressHeartbeatMs, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShouldForwardProgress(c.First, c.Last, c.Now, c.Ms), c.Forward)
            << c.Last << "->" << c.Now << " after " << c.Ms << " ms";
}

// A silent host is given the hang timeout, and up to the longer one while it keeps a quarter of
// a processor busy over the last window.
TEST(HostProtocol, ASilentHostIsHungPastTheTimeoutUnlessItKeepsAProcessorBusy) {
    struct Case {
        std::uint32_t Silent;
        std::uint64_t Busy;
        std::uint32_t Window;
        bool Hung;
    };
    const Case cases[] = {
        {HangTimeoutMs - 1, 0, HangTimeoutMs - 1, false},     // idle, but not yet long enough
        {HangTimeoutMs, 0, HangTimeoutMs, true},              // idle: the short limit
        {HangTimeoutMs, HangTimeoutMs, HangTimeoutMs, false}, // spinning a whole processor
        {30000, 250, 1000, false},                            // a quarter over the last second
        {30000, 249, 1000, true},
        {BusyHangTimeoutMs - 1, 1000, 1000, false},
        {BusyHangTimeoutMs, 1000, 1000, true}, // busy or not, the long limit holds
    };
    for (const Case& c : cases)
        EXPECT_EQ(SilenceIsHang(c.Silent, c.Busy, c.Window, HangTimeoutMs, BusyHangTimeoutMs),
                  c.Hung)
            << c.Silent << " ms silent, " << c.Busy << " of " << c.Window << " ms busy";
}

// Faults in a row of one call kind: a success of that kind breaks the row, one of another kind
// does not (a module may check files well and crash on every picture).
TEST(HostProtocol, AModuleIsSkippedAfterThreeFaultsInARowOfOneCallAndSaidOnce) {
    constexpr TMessageKind picture = TMessageKind::Picture, check = TMessageKind::IsSupported;
    TFaultCounter faults;
    EXPECT_FALSE(faults.RecordFault("a", picture));
    EXPECT_FALSE(faults.RecordFault("a", picture));
    faults.RecordSuccess("a", picture); // the row is broken
    EXPECT_FALSE(faults.RecordFault("a", picture));
    EXPECT_FALSE(faults.RecordFault("b", picture));
    faults.RecordSuccess("a", check); // a good check between bad pictures
    EXPECT_FALSE(faults.RecordFault("a", picture));
    EXPECT_FALSE(faults.IsSkipped("a"));
    EXPECT_TRUE(faults.RecordFault("a", picture));
    EXPECT_TRUE(faults.IsSkipped("a"));
    EXPECT_FALSE(faults.RecordFault("a", picture)); // said once
    EXPECT_FALSE(faults.IsSkipped("b"));
    // Rare faults of a check, each after good checks, never add up.
    for (int i = 0; i < 5; ++i) {
        faults.RecordSuccess("c", check);
        EXPECT_FALSE(faults.RecordFault("c", check));
    }
    EXPECT_FALSE(faults.IsSkipped("c"));
}

TEST(HostProtocol, FaultReportsNameTheModuleAndThePicture) {
    const std::string hung = PictureFaultMessage(TFaultKind::Hung, "ifx.sph", "C:\\a.jpg", false);
    EXPECT_EQ(hung, "Susie Plugin [ifx.sph] が C:\\a.jpg の読み込み中に応答しません");
    const std::string died = PictureFaultMessage(TFaultKind::Died, "ifx.sph", "C:\\a.jpg", true);
    EXPECT_EQ(died, "Susie Plugin [ifx.sph] が C:\\a.jpg の読み込み中に異常終了しました\n"
                    "[ifx.sph] は3回続けて異常終了したため、以後使いません");
    EXPECT_NE(PreflightFaultMessage(TFaultKind::Died, "C:\\p\\ifx.sph").find("C:\\p\\ifx.sph"),
              std::string::npos);
}

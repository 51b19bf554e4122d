// The programmer listing of a transport library and the line that says why no programmer was
// connected: one case per cause, against a stand-in library whose listing the environment sets.

#include "protocol/ProgrammerListing.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ardent {
namespace {

using EStatus = TProgrammerListing::EStatus;

TProgrammerListing ListingOf(const char* programmers) {
    ::setenv("ARDENT_TEST_PROGRAMMERS", programmers, 1);
    TProgrammerListing listing = ListProgrammers({ARDENT_TEST_LISTING_LIBRARY});
    ::unsetenv("ARDENT_TEST_PROGRAMMERS");
    return listing;
}

TEST(ProgrammerListing, ReadsTheEntriesOfTheLibrary) {
    const TProgrammerListing listing =
        ListingOf("ORV001|/dev/hidraw3|1;|/dev/hidraw4|0;ORV003|/dev/hidraw5|1");
    ASSERT_EQ(listing.status, EStatus::Listed);
    EXPECT_EQ(listing.library, ARDENT_TEST_LISTING_LIBRARY);
    ASSERT_EQ(listing.programmers.size(), 3u);
    EXPECT_EQ(listing.programmers[0].serial, "ORV001");
    EXPECT_EQ(listing.programmers[0].path, "/dev/hidraw3");
    EXPECT_TRUE(listing.programmers[0].accessible);
    EXPECT_FALSE(listing.programmers[1].accessible);
    // A device without a serial number is known by its path.
    EXPECT_EQ(listing.programmers[1].Key(), "/dev/hidraw4");

    // Chosen by serial or by path, a programmer locks under its serial number.
    EXPECT_EQ(LockKeyFor(listing, "/dev/hidraw5"), "ORV003");
    EXPECT_EQ(LockKeyFor(listing, "ORV003"), "ORV003");
    EXPECT_EQ(LockKeyFor(listing, "/dev/hidraw9"), "/dev/hidraw9");
    EXPECT_EQ(FindProgrammer(listing, ""), nullptr);
}

TEST(ProgrammerListing, LibrariesThatCannotListSaySo) {
    EXPECT_EQ(ListingOf("fail").status, EStatus::Failed);
    const TProgrammerListing without =
        ListProgrammers({"/no/such/lib.so", ARDENT_TEST_FULL_LIBRARY});
    EXPECT_EQ(without.status, EStatus::NotSupported);
    EXPECT_EQ(without.library, ARDENT_TEST_FULL_LIBRARY);
    const TProgrammerListing none = ListProgrammers({"/no/such/lib.so"});
    EXPECT_EQ(none.status, EStatus::NoLibrary);
    EXPECT_TRUE(none.library.empty());
}

TEST(ProgrammerListing, EachCauseOfAFailedConnectionHasItsLine) {
    const std::string fix = "; install the package's udev rule (60-ardent-programmer.rules) or "
                            "add this user to the plugdev group, then plug the programmer in again";
    struct Case {
        const char* name;
        TConnectFacts facts;
        std::string line;
    };
    TConnectFacts noLibrary;
    noLibrary.listing = ListProgrammers({"/a/libportbridge.so", "libportbridge.so"});
    TConnectFacts notSupported;
    notSupported.listing = ListProgrammers({ARDENT_TEST_FULL_LIBRARY});
    TConnectFacts failed;
    failed.listing = ListingOf("fail");
    TConnectFacts none;
    none.listing = ListingOf("");
    TConnectFacts denied;
    denied.listing = ListingOf("ORV001|/dev/hidraw3|0");
    TConnectFacts unanswered;
    unanswered.listing = ListingOf("ORV001|/dev/hidraw3|1");
    TConnectFacts several;
    several.listing = ListingOf("ORV001|/dev/hidraw3|1;ORV002|/dev/hidraw4|1");
    TConnectFacts absent = several;
    absent.chosen = "ORV009";
    TConnectFacts chosenDenied;
    chosenDenied.listing = ListingOf("ORV001|/dev/hidraw3|1;ORV002|/dev/hidraw4|0");
    chosenDenied.chosen = "/dev/hidraw4";
    TConnectFacts held = several;
    held.chosen = "ORV002";
    held.holder = TProgrammerHolder{4242, "Ardent"};
    TConnectFacts heldOnly = unanswered;
    heldOnly.holder = TProgrammerHolder{77, "ArdentCmd"};

    const Case cases[] = {
        {"no library", noLibrary,
         "No programmer: the transport library could not be loaded (looked for: "
         "/a/libportbridge.so, libportbridge.so)"},
        {"no listing", notSupported,
         std::string("No programmer: the programmer could not be opened; listing programmers is "
                     "not supported by the transport library ") +
             ARDENT_TEST_FULL_LIBRARY + ", so the cause cannot be told"},
        {"listing failed", failed,
         std::string("No programmer: the programmer could not be opened, and the transport "
                     "library ") +
             ARDENT_TEST_LISTING_LIBRARY + " could not look for programmers"},
        {"none", none, "No programmer: none is connected"},
        {"denied", denied,
         "No programmer: ORV001 (/dev/hidraw3) is connected but this user may not open it" + fix},
        {"unanswered", unanswered,
         "No programmer: ORV001 (/dev/hidraw3) is connected but could not be opened"},
        {"several", several,
         "No programmer: several are connected and none was chosen; set ARDENT_PROGRAMMER to one "
         "of: ORV001, ORV002"},
        {"absent", absent,
         "No programmer: the chosen programmer ORV009 is not connected (connected: ORV001, "
         "ORV002)"},
        {"chosen denied", chosenDenied,
         "No programmer: ORV002 (/dev/hidraw4) is connected but this user may not open it" + fix},
        {"held", held,
         "No programmer: programmer ORV002 is held by another process: pid 4242 (Ardent)"},
        {"only one, held", heldOnly,
         "No programmer: programmer ORV001 is held by another process: pid 77 (ArdentCmd)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeConnectFailure(c.facts), c.line) << c.name;
}

} // namespace
} // namespace ardent

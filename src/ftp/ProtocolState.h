#pragma once

// Where a job's control session stands: which step the next reply drives.
// Each value is named after what has happened, and the numbers are those the
// session counts with (the code rules move a session on by one).
enum class ProtocolState : int {
    Greeting = 0,           // the server's greeting is due: USER follows
    UserSent = 1,           // PASS follows
    PasswordSent = 2,       // a refusal is looked for, then CWD
    DirectorySent = 3,      // PWD follows, once
    DirectoryKnown = 4,     // after the 257 to PWD (or a 550 to CWD): TYPE A
    ListingTypeSent = 5,    // PORT for the listing
    ListingPortSent = 6,    // NLST or LIST
    ListingUnderWay = 7,    // the listing arrives on the data connection
    ListingAnswered = 8,    // its 226 (or a refusal): a pause, then TYPE A
    TransferTypeSent = 9,   // PORT for the transfer phase
    SideListing = 10,       // a 226, 257 or 550 in the state before: "NLST gw*.dat"
    SideListingUnderWay = 11,
    Transfer = 12,          // the transfer phase: the next file
    FileTypeSent = 13,      // PORT for the file to retrieve
    FilePortSent = 14,      // REST 0
    FileRestSent = 15,      // RETR
    Retrieving = 16,        // the reply to RETR
    Finished = 17,          // the download session has no more to do
    ChoosingFile = 18,      // the next local file to store
    StoreTypeSent = 19,     // PORT for the file to store
    StorePortSent = 20,     // REST 0
    StoreRestSent = 21,     // STOR
    StoreAnswered = 22,     // the reply to STOR: the data goes out
    Sending = 23,           // chunk after chunk on the data connection
};

// The state after this one, as the code rules count.
constexpr ProtocolState nextState(ProtocolState state)
{
    return ProtocolState(int(state) + 1);
}

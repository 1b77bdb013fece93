#pragma once

// The retrieval loop picks the next name to fetch out of the listing the
// server sent, once per file. These time picking every name of a listing of
// the given length, the way the loop does it: one picker call per name until
// the listing is used up.
struct PickFigures {
    int entries = 0;
    int picked = 0;
    // Processor time of the whole walk, the least over a few runs.
    double cpuSeconds = 0;
};

// A name-only listing (NLST), one name per CR LF line.
PickFigures pickNlstNames(int names);
// A long listing (LIST) in vsftpd's format. The picker pauses nine program
// seconds after each name; the benchmark ends each pause at once, so the
// figure is the picking and one pass of the event loop per name.
PickFigures pickListNames(int lines);

#pragma once

#include <QString>

// The texts of one job's row of fields as the window last held them: the
// current site as the operator edits it. The window's handlers set them; the
// jobs decide from them, never from the fields themselves.
struct RowFields {
    QString host;      // Combo2 / Combo3
    QString user;      // fText3 / Text4
    QString password;  // fText4 / Text5
    QString path;      // Text2 / Text6
    QString pattern;   // Text7 / Text8
    QString port;      // Text9 / Text10
    // Text11 / Text12, read once, as the number the text starts with: "2abc"
    // is 2 retries wherever retries are counted.
    double retries = 0;
};

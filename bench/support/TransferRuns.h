#pragma once

#include <QString>

class RealFtpServer;

// One large file moved through vsftpd in active mode, by the program's real
// job procedures or by curl, timed over its data phase: from the moment the
// server's data connection is accepted to the last byte in (download) or to
// the server's reply after the last byte went out (upload). curl's own timer
// gives the same span: time_total - time_pretransfer.
struct TransferFigures {
    // Ran to its end and the file arrived byte-equal; otherwise nothing
    // measured counts.
    bool valid = false;
    QString problem;
    double dataSeconds = 0;
    // Processor time of the client: for the program, this process over the
    // data phase; for curl, the whole child less its fixed cost (below).
    double cpuSeconds = 0;
};

// The program's download job retrieves remoteName from the server's root into
// a working folder of its own; the copy is compared with the server's file.
TransferFigures programDownload(const RealFtpServer& server, const QString& remoteName);
// The program's upload job stores sourcePath (linked into its working folder
// as remoteName) on the server, where it is compared and then removed.
TransferFigures programUpload(const RealFtpServer& server, const QString& sourcePath, const QString& remoteName);

// curl -P - (active mode, PORT as the program sends it). Its processor time
// less fixedCpuSeconds, what the same command costs for a one-byte file
// (start-up, login, PORT, closing), so both clients are charged for the data
// phase only.
TransferFigures curlDownload(const RealFtpServer& server, const QString& remoteName, const QString& scratchFolder,
                             double fixedCpuSeconds);
TransferFigures curlUpload(const RealFtpServer& server, const QString& sourcePath, const QString& remoteName,
                           const QString& scratchFolder, double fixedCpuSeconds);

// The least processor time curl takes to download / upload a one-byte file,
// over a few runs.
struct CurlFixedCost {
    double downloadCpuSeconds = 0;
    double uploadCpuSeconds = 0;
};
CurlFixedCost curlFixedCost(const RealFtpServer& server, const QString& scratchFolder);

// The download job in a fresh process (this program, started with
// kPeakRssChildFlag), so its peak resident memory is the job's alone. Returns
// the peak in KiB, or -1 when the job did not bring the file byte-equal.
long downloadPeakRssKiB(const RealFtpServer& server, const QString& remoteName, const QString& scratchFolder);

inline constexpr char kPeakRssChildFlag[] = "--peak-rss-child";
// The child's side: arguments after the flag are port, user, password, remote
// name and the working folder to retrieve into. Exit code 0 once the job ended.
int runPeakRssChild(int argc, char** argv);

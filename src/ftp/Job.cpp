#include "ftp/Job.h"

#include "app/Program.h"

Job downloadJob(Program& p)
{
    SessionVars& s = p.session;
    return { p, true, p.form.ftpclient1, p.form.ftpclient2, p.form.Timerf, s.downloadWaitSeconds,
             s.downloadState, s.downloadReply, s.downloadErrorNumber, s.downloadFailed,
             s.downloadPwdSent, p.transfer.downloadDataIsFile, s.downloadBareListing, s.downloadListingBytes,
             s.downloadPortArgument,
             s.downloadReplies, s.downloadReplyBeforeStep, downloadSiteColumns(p.sites), p.form.Text9 };
}

Job uploadJob(Program& p)
{
    SessionVars& s = p.session;
    return { p, false, p.form.ftpclient1a, p.form.ftpclient3, p.form.Timerg, s.uploadWaitSeconds,
             s.uploadState, s.uploadReply, s.uploadErrorNumber, s.uploadFailed,
             s.uploadPwdSent, p.transfer.uploadDataIsFile, s.uploadBareListing, s.uploadListingBytes,
             s.uploadPortArgument,
             s.uploadReplies, s.uploadReplyBeforeStep, uploadSiteColumns(p.sites), p.form.Text10 };
}

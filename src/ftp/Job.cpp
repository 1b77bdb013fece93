#include "ftp/Job.h"

#include "ftp/SessionContext.h"

Job downloadJob(SessionContext& c)
{
    SessionVars& s = c.session;
    return { c, true, c.ftpclient1, c.ftpclient2, c.Timerf, s.downloadWaitSeconds, s.downloadState,
             s.downloadReply, s.downloadErrorNumber, s.downloadFailed, s.downloadPwdSent, s.downloadDataIsFile,
             s.downloadBareListing, s.downloadListingBytes, s.downloadPortArgument, s.downloadReplies,
             s.downloadReplyBeforeStep, downloadSiteColumns(c.sites), c.downloadFields };
}

Job uploadJob(SessionContext& c)
{
    SessionVars& s = c.session;
    return { c, false, c.ftpclient1a, c.ftpclient3, c.Timerg, s.uploadWaitSeconds, s.uploadState,
             s.uploadReply, s.uploadErrorNumber, s.uploadFailed, s.uploadPwdSent, s.uploadDataIsFile,
             s.uploadBareListing, s.uploadListingBytes, s.uploadPortArgument, s.uploadReplies,
             s.uploadReplyBeforeStep, uploadSiteColumns(c.sites), c.uploadFields };
}

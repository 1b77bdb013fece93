#include "transfer/DataEvents.h"

#include "ftp/Job.h"
#include "platform/Winsock.h"

void dataConnectionRequest(Job& job, int requestID)
{
    if (job.data.State() != Winsock::sckClosed)
        job.data.Close();
    job.data.Accept(requestID);
}

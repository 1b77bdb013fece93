#pragma once

class Program;

// A running job's row of fields, and the listing-command menu, are out of use.
void lockDownloadFields(Program& program);
void unlockDownloadFields(Program& program);
void lockUploadFields(Program& program);
void unlockUploadFields(Program& program);

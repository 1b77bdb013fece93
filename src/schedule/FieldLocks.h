#pragma once

class Engine;

// A running job's row of fields, and the listing-command menu, are out of use.
void lockDownloadFields(Engine& engine);
void unlockDownloadFields(Engine& engine);
void lockUploadFields(Engine& engine);
void unlockUploadFields(Engine& engine);

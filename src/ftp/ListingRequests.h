#pragma once

struct Job;

// One step per reply once the listing has been answered (and in the download
// session's finished state): gives the listing time to arrive, reopens the
// listener and announces it for the transfer phase, or takes the side path
// with "NLST gw*.dat". The download job's downloadListingStep and the upload
// job's uploadListingStep, written once.
void listingStep(Job& job);

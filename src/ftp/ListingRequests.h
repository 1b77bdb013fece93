#pragma once

class Program;
struct Job;

// One step per reply in states 8 to 11 (and the download end state 17): gives
// the listing time to arrive, reopens the listener and announces it for the
// transfer phase, or takes the side path with "NLST gw*.dat".
void downloadListingStep(Program& program);
void uploadListingStep(Program& program);
void listingStep(Job& job);

#pragma once
// The request-slip designer: heading, footer, fonts, colours, logo, cutting guides and the
// number of slips; designs are kept in request setup files; "&Print" starts PrintRequestSlips.
void RequestCardSetup();

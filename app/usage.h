#ifndef PAIRTONE_APP_USAGE_H
#define PAIRTONE_APP_USAGE_H

// Writes the usage text to the error stream.
void usagePrint();

#endif

#ifndef PEBUILDER_HIVES_H
#define PEBUILDER_HIVES_H

/* Edits the registry hive of the source's I386 folder, copied into the output's I386 folder.
 * 1 when done or when the source has no hive; 0 with `reason` (at least 512 bytes) set. */
int EditHives(const char* sourceI386, const char* outputI386, const char* const* plugins,
              int pluginCount, char* reason);

#endif

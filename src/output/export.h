/* The text export of the entry list. */
#ifndef VELKOR_EXPORT_H
#define VELKOR_EXPORT_H

void ExportList(void);

#endif

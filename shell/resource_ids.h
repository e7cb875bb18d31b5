/* Resource and control identifiers, shared by the shell and its .rc file
 * (so: preprocessor definitions only). */
#ifndef VELMARK_RESOURCE_IDS_H
#define VELMARK_RESOURCE_IDS_H

#define ICON_APP 101

#define DLG_TALL 105
#define DLG_WIDE 106

#define CTL_ICON 201
#define CTL_NAME 202
#define CTL_DATE 203
#define CTL_STATUS 204
#define CTL_RUN 1000

#endif

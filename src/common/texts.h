/* Texts and names that the whole program shares. No Win32 here: the pure logic uses them too. */
#ifndef VELKOR_TEXTS_H
#define VELKOR_TEXTS_H

#define APP_TITLE       "Velkor Editor"
#define APP_SHORT_NAME  "Velkor"   /* template caption, mutex name, profile section */

#define MACHINE_ENV_KEY "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"
#define USER_ENV_KEY    "HKEY_CURRENT_USER\\Environment"

/* The two header rows of the entry list; the confirmation texts repeat them. */
/* The sections' names, as the program's messages and summaries say them. */
#define MACHINE_SECTION_NAME "Local Machine"
#define USER_SECTION_NAME    "Current User"
#define MACHINE_HEADER_TEXT "---------==< Local Machine >==---------"
#define USER_HEADER_TEXT    "---------==< Current User >==----------"

#endif

/* The help context numbers that the program's windows, buttons and menu items carry. */
#define IDH_START           30
#define IDH_BACKUP_FOLDER   40
#define IDH_ADD             50
#define IDH_EDIT            60
#define IDH_DELETE_DATE     70
#define IDH_SEARCH          100
#define IDH_REPORT          110
#define IDH_COMPACT         120
#define IDH_REPAIR          130
#define IDH_BACKUP          140
#define IDH_RESTORE         150
#define IDH_DELETE_MULTIPLE 160
#define IDH_LISTING         170
#define IDH_IMPORT          180
#define IDH_CHARTS          310
#define IDH_STANDARD_DAY    320

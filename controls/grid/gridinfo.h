#pragma once
// The data grid's state: one GRIDINFO record per grid window, attached as
// the window property "ZGRID", and the column records it owns. Every grid
// routine finds the record through the property; nothing else keeps state.

#include <windows.h>

#include <sql.h>

struct _pkey_;

// Column types.
enum : WORD {
    GRID_TEXT = 1,
    GRID_INTEGER = 2,
    GRID_BOOLEAN = 4,
    GRID_BITMAP = 8,
    GRID_DATE = 16,
    GRID_FLOAT = 32,
    GRID_LONGTEXT = 64,
    GRID_TIMESTAMP = 128,
    GRID_BINARY = 256,
};

// Column flags the data side reads (the editor's own flags live with it).
enum : DWORD {
    GRIDCOL_COMBOTYPED = 0x0001,
    GRIDCOL_GROUPED = 0x0004,
    GRIDCOL_GROUPOPTION = 0x0008,
    GRIDCOL_DATEONLY = 0x0010,
    GRIDCOL_HIDDENVALUE = 0x0100,
    GRIDCOL_HOURMINUTE = 0x0400,
    GRIDCOL_DAYMONTH = 0x0800,
    GRIDCOL_MINSECMS = 0x1000,
    GRIDCOL_DATEHOURMIN = 0x4000,
};

// Grid style bits.
enum : DWORD {
    GRIDS_NODELETE = 0x0001,
    GRIDS_NOADD = 0x0002,
    GRIDS_NOROLLBACK = 0x0008,
    GRIDS_NOCOMMIT = 0x0010,
    GRIDS_NOBUTTONS = 0x00FF,
    GRIDS_NOSTATUSBAR = 0x0100,
    GRIDS_NOROWNUMBERS = 0x0200,
    GRIDS_NOHEADER = 0x0400,
    GRIDS_NOHSCROLL = 0x0800,
    GRIDS_NOVSCROLL = 0x2000,
};

// Notifications to the parent (WM_COMMAND, code in the high word).
enum : int {
    GRIDN_DATACHANGED = 2924,
    GRIDN_QUERYDELETE = 2925,
    GRIDN_DELETED = 2926,
    GRIDN_QUERYINSERT = 2927,
    GRIDN_INSERTED = 2928,
    GRIDN_QUERYEDIT = 2929,
    GRIDN_EDITENDED = 2930,
    GRIDN_EDITCHANGE = 2931,
    GRIDN_QUERYCHANGE = 2933,
    GRIDN_CHANGED = 2934,
    GRIDN_COLCHANGED = 2935,
    GRIDN_QUERYJUMP = 2936,
    GRIDN_ROWCHANGED = 2937,
    GRIDN_CELLWRITTEN = 2938,
    GRIDN_QUERYROLLBACK = 2939,
    GRIDN_COMMITTED = 2940,
    GRIDN_REREAD = 2941,
    GRIDN_EDITUPDATED = 2943,
    GRIDN_EDITFOCUS = 2944,
    GRIDN_EDITF4 = 2945,
    GRIDN_ROLLEDBACK = 2947,
    GRIDN_HEADERCLICK = 2948,
    GRIDN_QUERYEDITORBLUR = 2949,
    GRIDN_QUERYEDITORKEY = 2950,
    GRIDN_LAYOUT = 2954,
    GRIDN_REPOSITION = 2955,
    GRIDN_INTOVIEW = 2956,
    GRIDN_CARET = 2957,
    GRIDN_COLWIDTH = 2958,
    GRIDN_QUERYEDITORCHAR = 2959,
};

// Values of GRIDN_QUERYCHANGE and GRIDN_CHANGED.
enum : int { GRID_CHANGE_DELETE = 1, GRID_CHANGE_INSERT = 2, GRID_CHANGE_EDIT = 3 };

struct GRIDCOL {
    bool ownerFlag;
    HICON icon;
    char* title;
    char* sqlName;
    char* description;
    char* defaultText;
    char* extraText;
    int dataWidth;
    int decimals;
    int displayWidth;
    int comboSelection;
    COLORREF backColor;
    bool columnReadOnly;
    bool visible;
    bool required;
    bool lookupOnly;
    bool headerPressed;
    char insertMode;
    LONG isIdentity;
    char* literalPrefix;
    char* literalSuffix;
    WORD type;
    DWORD flags;
    SWORD sqlType;
    SQLLEN indicator;
    HWND lookupCombo;
    HWND sharedCombo;
    bool (*editCallback)(int column, HWND grid);
    bool (*validateCallback)(HWND editor, int column, HWND grid);
    double paramValue;
    char* buffer;
    int visibleOrdinal;
};

struct GRIDINFO {
    // Option bytes, the window side's among them.
    bool hideRowNumbers;
    bool autoCommit;
    bool sharedEnvironment;
    bool resizingColumn;
    bool readOnly;
    bool stopOnReadOnly;
    bool noStatusText;
    bool notifyAllMoves;
    bool cellModified;
    bool transactionPending;
    bool editableCombos;
    bool statusBarHidden;
    bool showErrors;
    bool markCurrentRow;
    bool editOnClick;
    bool pickerForAllTypes;
    bool verticalHeaders;

    // Layout.
    int statusBarHeight;
    int rowNumberWidth;
    int charWidth;
    int charHeight;
    int cellAreaHeight;
    int totalDataWidth;
    int totalPixelWidth;
    int topRow;
    int vScrollMax;
    int leftOffset;
    int hScrollMax;
    int columnCount;
    int rowCount;
    int currentRow;
    int previousRow;
    int currentColumn;
    int headerLines;

    // Look-up and editor.
    char locateText[1024];
    int locateStart;
    long locateResult;
    HWND editor;

    // ODBC.
    SQLHENV henv;
    SQLHDBC hdbc;
    SQLHSTMT hstmtAux1;
    SQLHSTMT hstmtAux2;
    SQLHSTMT hstmtAux3;
    SQLHSTMT hstmtAux4;
    SQLHSTMT hstmt;
    SQLHSTMT* updateLocks;
    int updateLockLast;
    SQLHSTMT* editLocks;
    int editLockLast;
    char* selectText;
    char* whereClause;
    char* selectPrefix;
    char* fromExtra;
    char* havingText;
    char* orderByClause;
    char* groupByClause;
    char* tableName;
    char* dbmsName;
    char* databaseName;
    char* dataSource;
    char* userName;
    char* password;
    char* columnList;
    _pkey_* keys;
    short keyCount;

    // Columns, rows and windows.
    GRIDCOL* columns;
    char** rows;
    DWORD style;
    char* editText;
    char* cellText;
    HWND statusBar;
    HWND rowMarker;
    int rowBufferSize;
    SQLULEN rowsFetched;
    char* rowBuffer;

    // The window side's own fields.
    HFONT font;
    HFONT boldFont;
    HFONT headerFont;
    HBITMAP backBitmap;
    HDC memoryDC;
    HRGN clipRegion;
    char* startText;
    HBRUSH editorBrush;
    COLORREF rowColorOverride;
    HICON icons[6];
    int pickerMilliseconds;
    int noTheme;
};

// The record of a grid window, or null when the window has none.
GRIDINFO* GridInfo(HWND grid);
// Allocates a zeroed record and attaches it; null when that fails.
GRIDINFO* GridAttachRecord(HWND grid);
// Detaches and frees the record (its columns and rows must be freed first).
void GridDetachRecord(HWND grid);

// Owned texts of the record and its columns: framework blocks, null-safe.
// A text the grid hands out is never null: an unset one reads as "".
const char* GridTextOrEmpty(const char* text);
char* GridDupText(const char* text);
void GridSetText(char*& field, const char* text);
void GridFreeText(char*& field);

// The column record of the current column; null when there is none.
GRIDCOL* GridCurrentColumn(GRIDINFO* gi);

// Where the grid's notifications go: its parent, or its owner when it has
// none; null when that is no window.
HWND GridReceiver(HWND grid);
// WM_COMMAND to the receiver; its reply, 0 when there is none.
LRESULT GridNotify(HWND grid, int code, int value);
// A move notification: cause 0 always, another cause with notifyAllMoves.
void GridNotifyMove(HWND grid, const GRIDINFO* gi, int code, int cause);

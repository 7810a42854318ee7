// Timestamp columns shown in a short form (time only, day and month, ...):
// painting shows the short form, the owner and the editor get the whole
// value, and an edit keeps the parts the form does not show.

#include "sqlitedsn.h"
#include "zgridwindow.h"

#include "corvex.h"
#include "gridcells.h"
#include "gridrows.h"

#include "xalloc.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

const char kStamp[] = "2013-12-25 10:20:30.456";

struct Form {
    const char* name;
    UINT message;  // sets the column's form flag
    const char* shortForm;
    const char* longForm;
};

const Form kForms[] = {
    {"hours and minutes", GRIDM_SETHOURMINUTE, "10:20", "25/12/2013 10:20:30.456"},
    {"day and month", GRIDM_SETDAYMONTH, "25/12", "25/12/2013 10:20:30.456"},
    {"minutes, seconds, milliseconds", GRIDM_SETMINSECMS, "20:30.456", "25/12/2013 10:20:30.456"},
    {"date only", GRIDM_SETDATEONLY, "25/12/2013", "25/12/2013"},
    {"date, hours and minutes", GRIDM_SETDATEHOURMIN, "25/12/2013 10:20", "25/12/2013 10:20"},
    {"full", 0, "25/12/2013 10:20:30.456", "25/12/2013 10:20:30.456"},
};

std::string Read(ZGridWindow& g, bool timestampForm)
{
    bool ok = false;
    char* text = GridReadCell(g.gi(), 1, 1, g.gi()->hstmt, 1, true, true, true, timestampForm, &ok);
    std::string out = text;
    xfree(text);
    return out;
}

// A grid whose first column is a timestamp holding kStamp: unbound, or
// bound to a text column of a SQLite table that the grid shows as a
// timestamp (SQLite reports its own date types with the ODBC 3 codes,
// which the grid does not take).
bool MakeGrid(ZGridWindow& g, bool bound, UINT formMessage)
{
    if (bound) {
        if (!sqlitedsn::Connection().MakeTable("ts_items", "stamp VARCHAR(23), id INTEGER PRIMARY KEY",
                                               {std::string("'") + kStamp + "', 1"}) ||
            !g.Browse(sqlitedsn::Name(), "ts_items", "id", true))
            return false;
        g.Send(GRIDM_SETTYPE, 1, GRID_TIMESTAMP);
    } else {
        zGridColAdd(g.grid(), 0, 0, "stamp", "stamp", 24, GRID_TIMESTAMP, 0, "", true);
        g.AddRows(1);
        zGridPutText(g.grid(), 1, 1, kStamp);
    }
    if (formMessage)
        g.Send(formMessage, 1, 1);
    g.Send(GRIDM_GOTOROW, 0, 1);
    g.Send(GRIDM_GOTOCOLUMN, 1);
    return true;
}

// The value as the table or the row store holds it.
std::string StoredStamp(ZGridWindow& g, bool bound)
{
    if (bound) {
        sqlitedsn::Connection db;
        return db.Value("SELECT stamp FROM ts_items WHERE id=1");
    }
    char* text = GridReadCellField(g.gi(), 1, 1);
    std::string out = text;
    xfree(text);
    return out;
}

TEST(GridTimestamp, TheFormArgumentChoosesTheShortOrTheWholeValue)
{
    for (const Form& f : kForms) {
        SCOPED_TRACE(f.name);
        ZGridWindow g;
        ASSERT_TRUE(MakeGrid(g, false, f.message));
        EXPECT_EQ(f.shortForm, Read(g, true));
        EXPECT_EQ(f.longForm, Read(g, false));
    }
}

TEST(GridTimestamp, AnUnchangedEditWritesNothingAndAChangeKeepsTheDate)
{
    ASSERT_FALSE(sqlitedsn::Name().empty()) << sqlitedsn::Problem();
    for (bool bound : {false, true}) {
        for (const Form& f : kForms) {
            SCOPED_TRACE(std::string(bound ? "bound, " : "unbound, ") + f.name);
            ZGridWindow g;
            ASSERT_TRUE(MakeGrid(g, bound, f.message));
            const std::string before = kStamp;
            ASSERT_EQ(before, StoredStamp(g, bound));

            // The picker opens on the whole stored value.
            g.Key(VK_RETURN);
            ASSERT_NE(nullptr, g.editor());
            SYSTEMTIME st = {};
            ASSERT_EQ(GDT_VALID, SendMessageA(g.editor(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)));
            EXPECT_EQ(2013, st.wYear);
            EXPECT_EQ(12, st.wMonth);
            EXPECT_EQ(25, st.wDay);
            if (f.message != GRIDM_SETDATEONLY) {
                EXPECT_EQ(10, st.wHour);
                EXPECT_EQ(20, st.wMinute);
            }
            g.notes.clear();
            g.Key(VK_RETURN);
            EXPECT_EQ(nullptr, g.editor()) << "accepted";
            EXPECT_EQ(0, g.Count(GRIDN_CELLWRITTEN)) << "nothing changed, nothing written";
            EXPECT_EQ(before, StoredStamp(g, bound));

            // A new hour keeps the day the form does not show.
            if (f.message == GRIDM_SETDATEONLY)
                continue;
            g.Send(GRIDM_GOTOCOLUMN, 1);
            g.Key(VK_RETURN);
            ASSERT_NE(nullptr, g.editor());
            SendMessageA(g.editor(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
            st.wHour = 11;
            SendMessageA(g.editor(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
            g.Key(VK_RETURN);
            EXPECT_EQ(nullptr, g.editor()) << "accepted";
            EXPECT_EQ(1, g.Count(GRIDN_CELLWRITTEN));
            std::string after = StoredStamp(g, bound);
            EXPECT_EQ("2013-12-25 11:20", after.substr(0, 16));
        }
    }
}

}  // namespace

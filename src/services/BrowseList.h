#pragma once
// The browse list: a list control that shows one page of rows read through a selection,
// scrolls by reading further rows on demand, follows the scroll thumb through 100 stops,
// finds rows by typed characters, and hands the highlighted record to a record form for
// insert, change and delete. Every browse window of the program uses it; a window only says
// what is particular to it:
//
//     rt::View view(GEN, Genre::KGENRE);               // the selection the window builds
//     BrowseList genres(win, listId, view, GEN, Genre::KGENRE);
//     genres.rows([] { return BrowseCells({GEN.GENRE.str()}); })
//         .textStops()                                  // computed between first and last
//         .stepLocator()                                // on the key's first field
//         .form([] { UpdateGenre(); })
//         .buttons(addId, changeId, deleteId, selectId)
//         .selectMode(request == 4);
//     genres.open();
//     while (win.accept()) {
//         if (genres.take()) continue;                  // list events, keys, its buttons
//         ...                                           // the window's own events
//     }
//     genres.close();
//
// The window opens the files (use counts) before and closes them after; the view is declared
// before the list, so it outlives it. A window with several lists hands every event to each
// list's take() until one takes it (window events are never taken: each list notes a gain of
// focus or a resize), and with windowRefresh() set it calls refresh() of its lists itself.
//
// Only one page of rows is held; scrolling reads only the rows it needs, from the far end
// of the page. Everything runs on the window's thread, on that thread's file instances.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "runtime/record/record.h"
#include "runtime/thread/thread.h"  // CallRequest, CallResponse: the record-form protocol
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/ScrollStops.h"

// What the buttons (or the keys that press them) ask of the record form: the values of
// CallRequest.
enum class BrowseAction : int { Insert = 1, Change = 2, Delete = 3, Select = 4 };

// How a page is rebuilt: around the selection's current position, from the same first row
// keeping the highlighted record, or from the end of the selection.
enum class BrowseRefresh { Locate, KeepPage, FromEnd };

// A row of plain texts.
rt::Row BrowseCells(std::initializer_list<std::string> texts);

class BrowseList {
public:
    // The list control `list` of `window`, showing `view` (which the window built over
    // `primary` in the order of `order`: joins, range and filter are the view's).
    BrowseList(rt::Window& window, int list, rt::View& view, rt::RecordFile& primary,
               const rt::Key& order);
    ~BrowseList();
    BrowseList(const BrowseList&) = delete;
    BrowseList& operator=(const BrowseList&) = delete;

    // --- what the window declares (before open) ---

    // Builds the displayed row from the record buffers as they are after a read.
    BrowseList& rows(std::function<rt::Row()> build);
    // Values kept unseen with each row (read back with hidden()).
    BrowseList& hidden(std::function<std::vector<std::string>()> values);
    // The list's text and background colours, plain and highlighted (0x00BBGGRR).
    BrowseList& colors(std::uint32_t fg, std::uint32_t bg, std::uint32_t selFg, std::uint32_t selBg);
    // Puts the range's values into the primary buffer; called before the selection is opened
    // and before it is positioned at key values (a view takes its range from the buffer then).
    // Keep the value in the window's own variable: other lists' reads change the buffers.
    BrowseList& rangeValues(std::function<void()> prime);

    // Thumb stops. The thumb follows `field` of `file` (default: the order key's first field
    // of the primary file); a located stop clears the key fields after it.
    BrowseList& stopTable(const std::array<std::string_view, kThumbStops>& table);
    BrowseList& stopTable(std::vector<std::string> table);
    // Text stops between the selection's first and last values of the field, computed when the
    // list is filled from its start: size 0 means the field's width.
    BrowseList& textStops(int size = 0, int classes = StopUpperLetters | StopOtherCharacters | StopDigits,
                          bool lettersOnly = false);
    // Numeric stops between the selection's first and last values of the field.
    BrowseList& numericStops();
    BrowseList& stopField(const std::string& field, rt::RecordFile* file = nullptr);

    // Locators on `field` of `file` (default: the stop field).
    BrowseList& stepLocator(const std::string& field = {}, rt::RecordFile* file = nullptr);
    // Characters collect up to `length` (0: the field's width).
    BrowseList& incrementalLocator(int length = 0, const std::string& field = {},
                                   rt::RecordFile* file = nullptr);

    // The record form: a procedure that reads CallRequest (1 insert, 2 change, 3 delete) and
    // leaves CallResponse (1 completed). Without one, the list has no record actions.
    BrowseList& form(std::function<void()> procedure);
    // Which requests the keys and buttons make (all by default).
    BrowseList& actions(bool insert, bool change, bool del);
    // The action buttons (0: none; hidden ones are worked by keys and by press()).
    BrowseList& buttons(int insert, int change, int del, int select = 0);
    // The window was called to select a record (request 4): the select button is shown, and a
    // double-click selects.
    BrowseList& selectMode(bool on);

    // --- hooks for windows with more than one list or more to do ---

    // Runs before each action instead of re-reading this list's highlighted row (the
    // workspace re-reads all its lists); false drops the action.
    BrowseList& beforeAction(std::function<bool(BrowseAction)> hook);
    // Runs after insert has cleared the primary buffer, before the form is called (also for
    // change and delete); false drops the action.
    BrowseList& prepareForm(std::function<bool(BrowseAction)> hook);
    // Runs after the form returned and the list was located or refreshed.
    BrowseList& afterForm(std::function<void(BrowseAction, bool completed)> hook);
    // The window's refresh (all its lists, counts, enabled states), run after each action in
    // place of this list's refresh(). With it set, the window calls refresh() of its lists
    // itself when it gains focus or is resized.
    BrowseList& windowRefresh(std::function<void()> hook);
    // After the list took a new selection (the highlighted record is in the buffers).
    BrowseList& onNewSelection(std::function<void()> hook);

    // --- running ---

    // Sets the colours and the buttons' states (the select button shown only in select mode).
    // The first refresh() opens the selection (warning 36 when it fails) and fills the page.
    void open();
    void close();

    // Handles the window's current event when it is the list's: scrolling, thumb, new
    // selection, the keys it knows, its buttons. Returns true when the event was taken. Marks
    // a refresh on gain of focus and resize (and, without windowRefresh(), refreshes).
    bool take();

    // The window-refresh step: a list never filled, or with a refresh requested, is rebuilt
    // (from its start the first time, else around its highlighted record); otherwise its
    // highlighted row is loaded into the buffers. Then enabled states and thumb are shown.
    void refresh();
    void requestRefresh() { refreshRequested_ = true; }
    // Reopens the selection and fills the page from its first row (after the range changed).
    void restart();
    // Reopens the selection and rebuilds the page from its same first row, keeping the
    // highlighted record (the row at the same place when it is gone).
    void reload();
    // Shows the first record at or after the buffers' key values (or the last page when there
    // is none).
    void locate();
    // Shows the record at a saved position of the selection (or the one after it).
    void locateAt(const std::string& position);
    // Scrolls as the list's own scroll events do (rt::EvScrollUp to rt::EvScrollBottom): for
    // keys that reach the window elsewhere, such as in an edit cell over the list.
    void scroll(int event);
    // Presses an action button (menus, pop-ups, keys).
    void press(BrowseAction action);
    // Re-reads the highlighted row's records into the buffers. False when the page is empty or
    // the row's records are gone.
    bool loadHighlighted();

    // --- reading ---
    int count() const { return static_cast<int>(page_.size()); }
    int highlighted() const { return highlight_; }
    const rt::Row& row(int n) const;                          // 1-based
    const std::vector<std::string>& hidden(int n) const;      // 1-based
    const std::string& position(int n) const;                 // 1-based
    int thumb() const { return thumb_; }
    const std::vector<std::string>& stops() const { return textStops_; }
    const std::vector<double>& numericStopValues() const { return numberStops_; }
    const std::string& searchText() const { return search_; }
    // True after the select button closed the window.
    bool selected() const { return selected_; }
    // False after a read error closed the window.
    bool healthy() const { return !failed_; }
    int listId() const { return list_; }

private:
    struct PageRow {
        rt::Row row;
        std::vector<std::string> hidden;
        std::string position;
        rt::Value stopValue;
        rt::Value sortValue;
    };
    struct FieldRef {
        rt::RecordFile* file = nullptr;
        int index = -1;
    };
    enum class StopKind { None, Table, Text, Numeric };
    enum class LocatorKind { None, Step, Incremental };

    FieldRef resolve(const std::string& field, rt::RecordFile* file) const;
    rt::Value fieldValue(const FieldRef& f) const;
    void setField(const FieldRef& f, const rt::Value& v);
    void clearLaterKeyFields(const FieldRef& f);
    int fieldWidth(const FieldRef& f) const;

    int pageSize() const;
    void prime();
    bool reopen();
    bool viewReady() const;
    // Reads up to n rows in a direction; returns how many were not fetched, -1 after a read
    // error (the window is closing).
    int fetch(int n, bool forward);
    bool readFailed();
    void rebuild(BrowseRefresh mode);
    enum class Locating { ByValue, ByPosition, Written };
    void locateFrom(Locating how, const std::string& position, bool reopenFirst);
    std::vector<rt::Value> keyValues() const;
    bool loadRow(int n);
    PageRow readRow(const std::string& position);
    void show();
    void afterMove();
    void postNewSelection();
    void takeNewSelection(const rt::EventData& e);
    void updateButtons();
    void computeThumb();
    void computeStops();
    void scrollTop(bool bottom);
    void scrollRow(bool down);
    void scrollPage(bool down);
    void drag(int p);
    bool takeKey(int key);
    void stepLocate(char32_t ch);
    void incrementalLocate();
    void putSortValue(const std::string& text);
    void runForm(BrowseAction action);
    void refreshWindow();

    rt::Window& win_;
    int list_;
    rt::View& view_;
    rt::RecordFile& primary_;
    const rt::Key& order_;

    std::function<rt::Row()> build_;
    std::function<std::vector<std::string>()> hiddenValues_;
    std::function<void()> prime_;
    std::uint32_t colors_[4] = {rt::kNoColor, rt::kNoColor, rt::kNoColor, rt::kNoColor};
    bool hasColors_ = false;

    StopKind stopKind_ = StopKind::None;
    FieldRef stopField_;
    int stopSize_ = 0, stopClasses_ = 0;
    bool stopLettersOnly_ = false;
    std::vector<std::string> textStops_;
    std::vector<double> numberStops_;

    LocatorKind locator_ = LocatorKind::None;
    FieldRef sortField_;
    bool sortFieldSet_ = false;
    int locatorLength_ = 0;
    std::string search_;

    std::function<void()> form_;
    bool allowInsert_ = true, allowChange_ = true, allowDelete_ = true;
    int insertButton_ = 0, changeButton_ = 0, deleteButton_ = 0, selectButton_ = 0;
    bool selectMode_ = false;
    std::function<bool(BrowseAction)> beforeAction_, prepareForm_;
    std::function<void(BrowseAction, bool)> afterForm_;
    std::function<void()> windowRefresh_, newSelection_;

    std::vector<PageRow> page_;
    int highlight_ = 0;
    int thumb_ = 0;
    bool filled_ = false;
    bool refreshRequested_ = false;
    bool failed_ = false;
    bool selected_ = false;
    int pendingSelections_ = 0;
    bool opened_ = false;
};

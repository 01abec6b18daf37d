#include "song_list.h"

#include <string>
#include <vector>

#include "runtime/thread/thread.h"
#include "runtime/window/window.h"

const char* const kSongRows[][2] = {
    {"Copper Little Thing", "Quill"},
    {"Dancing Quill", "ALDER"},
    {"Waterlily", "ALDER"},
};

namespace {

std::vector<rt::Row> rowsHolding(const std::string& part) {
    std::vector<rt::Row> rows;
    for (const auto& r : kSongRows) {
        if (std::string(r[0]).find(part) == std::string::npos) continue;
        rt::Row row;
        for (const char* text : r) {
            rt::Cell c;
            c.text = text;
            row.cells.push_back(c);
        }
        rows.push_back(row);
    }
    return rows;
}

rt::Column column(const std::string& header, int width) {
    rt::Column c;
    c.header = header;
    c.width = width;
    return c;
}

void EditListing(rt::Window& owner) {
    rt::Window d("Edit Listing", rt::WindowKind::Dialog, -1, -1, 160, 60);
    d.prompt("?PROMPT:ARTIST", "&Artist:", 6, 8, 40, 10);
    int artist = d.entry("?ARTIST", "@s30", 50, 8, 100, 10);
    int ok = d.button("?OK", "OK", 60, 40, 40, 14);
    d.edit(ok).isDefault = true;
    int cancel = d.button("?CANCEL", "Cancel", 106, 40, 40, 14);
    d.open();
    while (d.accept()) {
        if (d.code() != rt::EvAccepted) continue;
        if (d.field() == ok) {
            owner.setStatus("Edited: " + d.value(artist));
            d.close();
        } else if (d.field() == cancel) {
            d.close();
        }
    }
}

void ChildWindow() {
    rt::Window c("Child Window", rt::WindowKind::MdiChild, 10, 10, 120, 80);
    int button = c.button("?CHILDBUTTON", "Child &Button", 10, 10, 60, 14);
    c.open();
    while (c.accept())
        if (c.code() == rt::EvAccepted && c.field() == button) c.setStatus("Child pressed");
}

}  // namespace

void SongList() {
    rt::Window w("Song List", rt::WindowKind::Frame, -1, -1, 300, 200);
    int file = w.menu("&File");
    int open = w.menuItem(file, "&Open...\tCtrl+O", "Opens a SongBook");
    int del = w.menuItem(file, "&Delete");
    w.disable(del);
    int recent = w.menu("&Recent", file);
    int first = w.menuItem(recent, "First Book");
    w.separator(file);
    int exit = w.menuItem(file, "E&xit");
    int tool = w.toolButton("?TOOLDEL", "delete.ico", "Delete Listing", 0, 0, 16, 16);
    w.prompt("?PROMPT:TITLE", "&Title:", 6, 20, 30, 10);
    int title = w.entry("?TITLE", "@s40", 40, 20, 120, 10);
    int find = w.button("?FIND", "&Find", 170, 20, 40, 14);
    int save = w.button("?SAVE", "&Save", 215, 20, 40, 14);
    w.disable(save);
    int edit = w.button("?EDIT", "&Edit...", 170, 40, 40, 14);
    int child = w.button("?CHILD", "&Child", 215, 40, 40, 14);
    int showAll = w.check("?SHOWALL", "Show &all", 6, 36, 60, 10);
    rt::Control option;
    option.kind = rt::ControlKind::Option;
    option.name = "?SCOPE";
    option.text = "Scope";
    option.value = "1";
    int scope = w.add(option);
    for (const char* text : {"&Disc", "&Track"}) {
        rt::Control radio;
        radio.kind = rt::ControlKind::Radio;
        radio.text = text;
        radio.parent = scope;
        w.add(radio);
    }
    int list = w.list("?LIST", 6, 60, 280, 100, {column("Title", 120), column("Artist", 80)});
    w.setTimer(100);
    w.open();
    w.setRows(list, rowsHolding(""));
    w.setStatus("Ready");
    int ticks = 0;
    std::string path;
    while (w.accept()) {
        const int f = w.field();
        switch (w.code()) {
        case rt::EvTimer:
            w.setStatus("Ticks: " + std::to_string(++ticks));
            break;
        case rt::EvNewSelection:
            if (f == list) w.setStatus("Row " + std::to_string(w.ctl(list).selected));
            break;
        case rt::EvAlertKey:
            if (f == list && w.event().key == rt::KeyRightClick)
                w.setStatus("Popup " + std::to_string(w.popup("&Play|~&Burn|-|&Remove")));
            else if (f == list)
                w.setStatus("Key " + std::to_string(w.event().key) + " on row " +
                            std::to_string(w.ctl(list).selected));
            break;
        case rt::EvScrollUp: case rt::EvScrollDown: case rt::EvPageUp: case rt::EvPageDown:
        case rt::EvScrollTop: case rt::EvScrollBottom:
            w.setStatus("Scroll " + rt::eventName(w.code()));
            break;
        case rt::EvScrollDrag:
            w.setStatus("Thumb " + std::to_string(w.event().value));
            break;
        case rt::EvAccepted:
            if (f == find) {
                auto rows = rowsHolding(w.value(title));
                w.setStatus("Found " + std::to_string(rows.size()));
                w.setRows(list, std::move(rows));
            } else if (f == edit) {
                EditListing(w);
            } else if (f == child) {
                rt::startThread(ChildWindow);
            } else if (f == tool) {
                int n = rt::message("Delete this listing or the entire disc?", "Delete", rt::Icon::Question,
                                    "&This Listing|&Entire Disc|&Cancel", 1);
                w.setStatus("Delete: " + std::to_string(n));
            } else if (f == open) {
                path = "/music";
                if (rt::fileDialog("Open SongBook", path, "SongBook|*.sbk|All Files|*.*"))
                    w.setStatus("Opened " + path);
                else
                    w.setStatus("Open cancelled");
            } else if (f == first) {
                w.setStatus("Recent: First Book");
            } else if (f == exit) {
                w.close();
            } else if (f == showAll) {
                w.setStatus("Show all: " + w.value(showAll));
            } else if (f == scope) {
                w.setStatus("Scope: " + w.value(scope));
            } else if (f == title) {
                w.setStatus("Title: " + w.value(title));
            }
            break;
        default:
            if (w.code() > rt::EvUser) w.setStatus("User event " + rt::eventName(w.code()));
            break;
        }
    }
}

#pragma once
// A main window started on temporary folders with the real templates, its
// message boxes recorded and answered by a script.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "FakeFolders.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "app/TfrmMain.h"

namespace qzt::test {

struct StartedWindow {
    explicit StartedWindow(const std::function<void(test::FakeFolders&)>& prepare = {}) {
        auto folders = std::make_shared<test::FakeFolders>();
        folders->executable = std::string(QZT_RUNTIME_DIR) + "/";
        folders->appData = dir / "data";
        folders->documents = dir / "docs";
        std::filesystem::create_directories(*folders->appData);
        std::filesystem::create_directories(*folders->documents);
        if (prepare) {
            prepare(*folders);
        }
        auto recording = std::make_unique<test::RecordingUi>(window, script);
        ui = recording.get();
        window.SetUserInterface(std::move(recording));
        window.FormCreate(StartOptions{{}, folders});
    }
    template <typename T>
    T* Get(const char* name) {
        T* control = window.findChild<T*>(name);
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QString CaptionOf(const char* name) {
        QObject* o = window.findChild<QObject*>(name);
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        if (auto* g = qobject_cast<QGroupBox*>(o))
            return g->title();
        if (auto* m = qobject_cast<QMenu*>(o))
            return m->title();
        if (auto* a = qobject_cast<QAction*>(o))
            return a->text();
        return "<no control>";
    }

    test::TempDir dir;
    test::ScriptedUserInterface script;
    TfrmMain window;
    test::RecordingUi* ui = nullptr;  // owned by the window
};

}  // namespace qzt::test

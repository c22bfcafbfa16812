// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Defaults.h"
#include "model/DesktopNameRecord.h"
#include "model/Published.h"
#include "model/Subscription.h"
#include "observer/SpaceObserver.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillbar {

// Shares the user's names with the desktop. While the setting is on, each named desktop's own
// name becomes its label ("📬 Mail"); the name it had before is remembered per key (stored before
// anything is written) and read as its own name meanwhile, so it stays the default Quillbar shows;
// turning the setting off or clearing a name gives the desktop its name back. A desktop renamed in
// the desktop's own tools meanwhile gives Quillbar that name: the latest edit wins.
// Writes follow the detections: one request per desktop in flight, none while a name is still
// being edited (until editPause has passed or flush()), nothing before start().
class DesktopNameSharing {
public:
    // Defaults key of the setting (a boolean, off when absent).
    static constexpr std::string_view enabledKey = "UseNamesInDesktop.v1";
    // Defaults key of the records (a data value holding their JSON).
    static constexpr std::string_view recordsKey = "DesktopNames.v1";
    // How long after the last edit of a name it is written, so a word being typed is not.
    static constexpr Milliseconds editPause{1000};
    // How long a written name may take to show before the desktop is taken to have refused it.
    static constexpr Milliseconds landingBound{3000};

    // Sharing on the observer's spaces and store, with its setting and records in defaults; all
    // must outlive it.
    DesktopNameSharing(SpaceObserver& observer, Defaults& defaults);
    DesktopNameSharing(const DesktopNameSharing&) = delete;
    DesktopNameSharing& operator=(const DesktopNameSharing&) = delete;

    // Whether this desktop takes names from a client at all.
    bool isAvailable() const { return static_cast<bool>(observer_.api().renameSpace); }
    // Whether the names are shared.
    bool isEnabled() const { return enabled_.value(); }
    // Turns sharing on or off and stores the choice; off gives the desktops their names back.
    void setEnabled(bool enabled);
    // Reads the setting and the records and acts on every detection from now on (refreshing
    // once); call once the names have been read.
    void start();
    // From now on nothing is written (another instance owns the names).
    void stop() { started_ = false; }
    // Writes at once what waits for the end of an edit (a name field lost the focus).
    void flush();
    // Why the desktop cannot show a space's label, by the space's key.
    const std::map<std::string, std::string>& refusals() const { return refusals_.value(); }
    // Calls handler after every change of isEnabled() or refusals().
    [[nodiscard]] Subscription subscribe(std::function<void()> handler);

private:
    // A desktop as last detected: what it calls itself and what Quillbar would call it instead.
    struct Seen {
        std::int64_t managedSpaceID = 0;
        std::string text;        // its own name as it says it (empty: none)
        std::string defaultName; // Quillbar's default for it, from its name before any write
        bool operator==(const Seen&) const = default;
    };
    struct Request {
        std::string key;
        std::int64_t managedSpaceID;
        std::string label;
        std::string previous; // the record's written name before this request
    };
    struct InFlight {
        std::string label;
        std::string before; // what the desktop showed when it was asked
        TimePoint since;
    };

    void rewrite(std::vector<SpaceInfo>& detected);
    void syncSoon();
    void sync();
    void syncSpace(const std::string& key, const Seen& seen, std::vector<Request>& requests);
    // Ends the wait for a written name once it shows or the bound has passed; false meanwhile.
    bool landed(const std::string& key, const Seen& seen);
    void request(const std::string& key, const Seen& seen, const std::string& label,
                 std::vector<Request>& requests);
    void send(const std::vector<Request>& requests);
    void adopt(const std::string& key, const Seen& seen);
    void refuse(const std::string& key, const std::string& label, const std::string& reason);
    void clearRefusal(const std::string& key);
    bool saveRecords();
    std::function<void()> whileAlive(std::function<void()> action) const;

    SpaceObserver& observer_;
    Defaults& defaults_;
    bool started_ = false;
    Published<bool> enabled_{false};
    DesktopNameRecords records_;
    bool recordsChanged_ = false;
    std::map<std::string, Seen> seen_;
    std::map<std::string, InFlight> inFlight_;
    // The label each desktop refused last, or could not be asked for: not asked for again.
    std::map<std::string, std::string> refusedLabels_;
    Published<std::map<std::string, std::string>> refusals_;
    std::set<std::string> loggedRefusals_;
    bool syncQueued_ = false;
    bool editing_ = false;
    std::uint64_t editGeneration_ = 0;
    bool saveProblemLogged_ = false;
    Subscription detectedSubscription_;
    Subscription storeSubscription_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

} // namespace quillbar

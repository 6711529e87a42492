// Recovery copies: the unsaved work written now and then to the per-user state folder, so that
// the work of a run that ends without saving (the program, the desktop session or the machine
// dies) can be offered back at the next start.
//
// Each running program owns one folder under the recovery root and holds a lock (flock) on the
// file "lock" in it for as long as it runs. A folder whose lock nobody holds belongs to a run that
// is over: when it holds a copy, that run did not end normally and its copy is offered back; when
// it holds none it is removed. Two programs running at once therefore never take each other's
// copy, and of two programs starting at once only the one that gets a dead run's lock offers its
// copy. A folder is made under a hidden name and renamed into place with its lock already taken,
// so no scan ever sees a folder of a live run unlocked.
//
// A copy is the working picture (a .bmp at the picture's own depth, lossless), the outline layer
// (a 32-bit .bmp) and the description, a small text file naming both with the zoom, the palette
// page and the file the picture came from. The writing runs on a background thread from history
// snapshots, whose tiles do not change under it, so the user's next click does not wait for it.
// Every file is written under a temporary name, flushed to the disk and renamed. The pictures get
// new names in each generation and the description, renamed last, names them: whenever the program
// dies, the description names a complete pair. A picture that did not change since the last
// generation is not written again.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/state/history.h"
#include "image/bitmap32.h"
#include "image/picture.h"
#include "text/texts.h"

namespace drollo {

// The program's texts about recovery copies, in one place.
namespace recovery_text {
inline constexpr const char* kCaption = DROLLO_TEXT("TForm1", "恢复未保存的工作");
// The question: %1 the picture's file name (or kUnnamed), %2 the time of the copy.
inline constexpr const char* kQuestion =
    DROLLO_TEXT("TForm1", "上次运行没有正常结束，留下了未保存的工作（%1，%2）。\n要恢复它吗？");
inline constexpr const char* kUnnamed = DROLLO_TEXT("TForm1", "未命名的图片");
inline constexpr const char* kRestore = DROLLO_TEXT("TForm1", "恢复");
inline constexpr const char* kDiscard = DROLLO_TEXT("TForm1", "放弃");
inline constexpr const char* kDamaged = DROLLO_TEXT("TForm1", "恢复副本已损坏，已把它移到一旁：");
inline constexpr const char* kWriteFailed = DROLLO_TEXT("TForm1", "无法写入恢复副本：");
}  // namespace recovery_text

// What a copy holds besides its two pictures.
struct RecoveryState {
  std::string SourceFile;  // the file the picture was opened from or saved to; empty for none
  double ZoomPercent = 100.0;
  bool ZoomStepped = false;
  int PageIndex = 0;
  bool operator==(const RecoveryState&) const = default;
};

// A copy read back.
struct RecoveredWork {
  RecoveryState State;
  Picture WorkingPicture;
  TBitmap32 OutlineBitmap;
  std::string WrittenAt;  // local time of writing, "2024-05-01 14:03"
};

// The question's text for a copy.
std::string RecoveryQuestionText(const RecoveredWork& work, const TextLookup& texts);

// The description file's text, and the state and picture files read back from it. ParseRecovery
// throws std::runtime_error naming what is wrong.
struct RecoveryDescription {
  RecoveryState State;
  std::string PictureFile;  // names inside the copy's folder
  std::string LayerFile;
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;
  std::string WrittenAt;
};
std::string FormatRecovery(const RecoveryDescription& d);
RecoveryDescription ParseRecovery(const std::string& text);

class RecoveryStore {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The shortest time between two copies.
  static constexpr std::chrono::seconds kInterval{30};

  // $XDG_STATE_HOME/drollo/recovery, or ~/.local/state/drollo/recovery; empty when neither
  // HOME nor XDG_STATE_HOME names a folder.
  static std::string DefaultRoot();

  // Makes this run's folder under `root` (creating the root) and takes its lock. `clock` is what
  // Now() reads (steady_clock when left out). Throws std::runtime_error when the folder cannot be
  // made or locked.
  explicit RecoveryStore(std::string root, Clock clock = {});
  // Lets a write under way finish and the lock go. The copy stays: a run that ends without
  // Finish() counts as one that did not end normally.
  ~RecoveryStore();
  RecoveryStore(const RecoveryStore&) = delete;
  RecoveryStore& operator=(const RecoveryStore&) = delete;

  std::chrono::steady_clock::time_point Now() const;
  const std::string& Root() const { return root_; }
  const std::string& Folder() const { return folder_; }

  // Writing, on the background thread, in the order asked; a request not yet started gives way to
  // a newer one. The snapshots are only read.
  void Write(std::shared_ptr<const PictureSnapshot> picture,
             std::shared_ptr<const PictureSnapshot> layer, RecoveryState state);
  // The copy removed (nothing is unsaved any more); the folder and its lock stay.
  void Remove();
  // Waits until every request has run; true when the last one succeeded.
  bool Flush();
  // The normal end: lets a write under way finish (one not yet started is dropped), removes the
  // folder and lets the lock go. Nothing is written after it.
  void Finish();
  // The message of a failed request, once for a run of failures; nothing otherwise.
  std::optional<std::string> TakeWriteError();
  // Whether this run's folder holds a copy now (after Flush, what the requests left).
  bool HasCopy() const;

  // The newest copy left by a run that is over, read back and locked for this program until
  // DiscardOrphan or ReleaseOrphan; nothing when there is none left. A copy that cannot be read
  // is set aside (its folder renamed to end in ".damaged") and the reason added to `damaged`; the
  // folder of a run that left no copy is removed.
  std::optional<RecoveredWork> NextOrphan(std::vector<std::string>& damaged);
  // The copy NextOrphan gave last, deleted.
  void DiscardOrphan();
  // The copy NextOrphan gave last, left for a later start.
  void ReleaseOrphan();

 private:
  struct Job {
    bool remove = false;
    std::shared_ptr<const PictureSnapshot> picture, layer;
    RecoveryState state;
  };
  void run();
  void perform(const Job& job);
  void writeCopy(const Job& job);
  void removeCopy();

  std::string root_;
  std::string folder_;
  Clock clock_;
  int lockFd_ = -1;

  // Orphan being considered.
  std::string orphanFolder_;
  int orphanFd_ = -1;

  // Writer state, used by the writer thread only (and by Finish once it has stopped).
  long generation_ = 0;
  std::weak_ptr<const PictureSnapshot> writtenPicture_, writtenLayer_;
  std::string pictureFile_, layerFile_;

  mutable std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::optional<Job> pending_;
  bool busy_ = false;
  bool stop_ = false;
  bool finished_ = false;
  bool lastOk_ = true;
  bool hasCopy_ = false;
  std::optional<std::string> error_;
  bool errorReported_ = false;
  std::thread thread_;
};

}  // namespace drollo

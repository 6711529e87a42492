#include "app/recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "workarea/zoom.h"

namespace drollo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDescription = "recovery.txt";
constexpr const char* kLock = "lock";
constexpr const char* kHeader = "drollo recovery 1";
constexpr const char* kDamagedSuffix = ".damaged";
// A description is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxDescriptionBytes = 64 * 1024;

[[noreturn]] void Fail(const std::string& what, int error) {
  throw std::runtime_error(what + ": " + std::strerror(error));
}

// Flushes a folder's entries (a rename in it) to the disk.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail(folder, errno);
  const int rc = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (rc != 0) Fail(folder, error);
}

// Opens (creating) a folder's lock file and takes its lock without waiting; -1 when the folder is
// gone or another process holds the lock.
int TryLock(const std::string& folder) {
  const int fd = ::open((folder + "/" + kLock).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescaped(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) throw std::runtime_error("the source file name ends in a lone \\");
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        throw std::runtime_error("the source file name holds an unknown escape");
    }
  }
  return out;
}

// A whole decimal number within [lo, hi], all of `text`.
long Number(const std::string& text, long lo, long hi, const char* what) {
  if (text.empty() || text.size() > 12 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw std::runtime_error(std::string("the ") + what + " is not a number");
  const long v = std::stol(text);
  if (v < lo || v > hi) throw std::runtime_error(std::string("the ") + what + " is out of range");
  return v;
}

// A picture file's name as the writer makes them ("picture-12.bmp"); "-" for an empty picture.
std::string FileName(const std::string& text, const char* stem) {
  if (text == "-") return {};
  const std::string prefix = std::string(stem) + "-";
  if (text.rfind(prefix, 0) != 0 || text.size() < prefix.size() + 5 ||
      text.substr(text.size() - 4) != ".bmp")
    throw std::runtime_error(std::string("the ") + stem + " file's name is not one of a copy");
  Number(text.substr(prefix.size(), text.size() - prefix.size() - 4), 1, 999999999999, stem);
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

Picture ReadPicture(const std::string& folder, const std::string& name, const char* what) {
  if (name.empty()) return Picture();
  try {
    return formats::DecodeBmp(formats::ReadWholeFile(folder + "/" + name));
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("the ") + what + ": " + e.what());
  }
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// --- The description -----------------------------------------------------------------------------

std::string FormatRecovery(const RecoveryDescription& d) {
  char zoom[64];
  std::snprintf(zoom, sizeof zoom, "%.17g", d.State.ZoomPercent);
  std::ostringstream o;
  o << kHeader << "\n";
  o << "source " << Escaped(d.State.SourceFile) << "\n";
  o << "zoom " << zoom << "\n";
  o << "zoom-stepped " << (d.State.ZoomStepped ? 1 : 0) << "\n";
  o << "page " << d.State.PageIndex << "\n";
  o << "picture " << (d.PictureFile.empty() ? "-" : d.PictureFile) << " " << d.Width << " "
    << d.Height << " " << d.BitsPerPixel << "\n";
  o << "layer " << (d.LayerFile.empty() ? "-" : d.LayerFile) << "\n";
  o << "written " << d.WrittenAt << "\n";
  o << "end\n";
  return o.str();
}

RecoveryDescription ParseRecovery(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader)
    throw std::runtime_error("the description does not start as one of this program's copies");
  RecoveryDescription d;
  bool zoom = false, stepped = false, page = false, picture = false, layer = false, end = false;
  while (std::getline(in, line)) {
    const std::size_t space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    if (key == "source") {
      d.State.SourceFile = Unescaped(value);
    } else if (key == "zoom") {
      char* stop = nullptr;
      const double z = std::strtod(value.c_str(), &stop);
      if (value.empty() || *stop != '\0' || !(z >= kMinZoomPercent && z <= kMaxZoomPercent))
        throw std::runtime_error("the zoom is not one the program shows");
      d.State.ZoomPercent = z;
      zoom = true;
    } else if (key == "zoom-stepped") {
      d.State.ZoomStepped = Number(value, 0, 1, "zoom step mark") == 1;
      stepped = true;
    } else if (key == "page") {
      d.State.PageIndex = static_cast<int>(Number(value, 0, 3, "palette page"));
      page = true;
    } else if (key == "picture") {
      const std::vector<std::string> w = Words(value);
      if (w.size() != 4) throw std::runtime_error("the picture line is incomplete");
      d.PictureFile = FileName(w[0], "picture");
      d.Width = static_cast<int>(Number(w[1], 0, kMaxPicturePixels, "picture width"));
      d.Height = static_cast<int>(Number(w[2], 0, kMaxPicturePixels, "picture height"));
      d.BitsPerPixel = static_cast<int>(Number(w[3], 0, 32, "picture depth"));
      picture = true;
    } else if (key == "layer") {
      d.LayerFile = FileName(value, "layer");
      layer = true;
    } else if (key == "written") {
      d.WrittenAt = value;
    } else if (key == "end") {
      end = true;
      break;
    }
  }
  // The last line is written last: without it the file was cut short.
  if (!(zoom && stepped && page && picture && layer && end))
    throw std::runtime_error("the description is incomplete");
  if (d.PictureFile.empty() != (d.Width == 0 || d.Height == 0) ||
      d.LayerFile.empty() != d.PictureFile.empty())
    throw std::runtime_error("the description's pictures do not match their sizes");
  return d;
}

std::string RecoveryQuestionText(const RecoveredWork& work, const TextLookup& texts) {
  const std::string name = work.State.SourceFile.empty()
                               ? texts.Translate("TForm1", recovery_text::kUnnamed)
                               : BaseName(work.State.SourceFile);
  return FormatText(texts.Translate("TForm1", recovery_text::kQuestion), {name, work.WrittenAt});
}

// --- The store -----------------------------------------------------------------------------------

std::string RecoveryStore::DefaultRoot() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/drollo/recovery";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/drollo/recovery";
  return {};
}

RecoveryStore::RecoveryStore(std::string root, Clock clock)
    : root_(std::move(root)), clock_(std::move(clock)) {
  std::error_code ec;
  fs::create_directories(root_, ec);
  if (ec) throw std::runtime_error(root_ + ": " + ec.message());
  // Made under a hidden name, locked, then renamed into place: a scan never meets it unlocked.
  std::string hidden = root_ + "/.new-XXXXXX";
  if (!::mkdtemp(hidden.data())) Fail(root_, errno);
  lockFd_ = TryLock(hidden);
  if (lockFd_ < 0) {
    const int error = errno;
    fs::remove_all(hidden, ec);
    Fail(hidden, error);
  }
  folder_ = root_ + "/" + std::to_string(::getpid()) + "-" + hidden.substr(hidden.size() - 6);
  if (::rename(hidden.c_str(), folder_.c_str()) != 0) {
    const int error = errno;
    CloseFd(lockFd_);
    fs::remove_all(hidden, ec);
    Fail(folder_, error);
  }
  thread_ = std::thread([this] { run(); });
}

RecoveryStore::~RecoveryStore() {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  CloseFd(orphanFd_);
  CloseFd(lockFd_);
}

std::chrono::steady_clock::time_point RecoveryStore::Now() const {
  return clock_ ? clock_() : std::chrono::steady_clock::now();
}

void RecoveryStore::Write(std::shared_ptr<const PictureSnapshot> picture,
                          std::shared_ptr<const PictureSnapshot> layer, RecoveryState state) {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (finished_) return;
    pending_ = Job{false, std::move(picture), std::move(layer), std::move(state)};
  }
  wake_.notify_all();
}

void RecoveryStore::Remove() {
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (finished_) return;
    pending_ = Job{true, nullptr, nullptr, {}};
  }
  wake_.notify_all();
}

bool RecoveryStore::Flush() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !pending_ && !busy_; });
  return lastOk_;
}

void RecoveryStore::Finish() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_) return;
    finished_ = true;
    stop_ = true;
    pending_.reset();  // a copy about to be removed need not be written first
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::error_code ec;
  fs::remove_all(folder_, ec);
  CloseFd(lockFd_);
  const std::lock_guard<std::mutex> hold(mutex_);
  hasCopy_ = false;
}

std::optional<std::string> RecoveryStore::TakeWriteError() {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (!error_) return std::nullopt;
  errorReported_ = true;
  return std::exchange(error_, std::nullopt);
}

bool RecoveryStore::HasCopy() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  return hasCopy_;
}

void RecoveryStore::run() {
  // The copy gives way to the user's commands when both want a processor (on Linux the nice
  // value is the thread's own), yet still gets written on a machine busy with other work.
  setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || pending_; });
    // A request made before the end is still carried out: it is the latest state of the work.
    if (!pending_) return;
    Job job = std::move(*pending_);
    pending_.reset();
    busy_ = true;
    lock.unlock();
    std::optional<std::string> failure;
    try {
      perform(job);
    } catch (const std::exception& e) {
      failure = e.what();
    }
    job = Job{};  // the snapshots go before the next wait, so no tile stays held meanwhile
    lock.lock();
    busy_ = false;
    lastOk_ = !failure;
    if (!failure) {
      errorReported_ = false;
      error_.reset();
    } else if (!errorReported_) {
      error_ = failure;
    }
    idle_.notify_all();
  }
}

void RecoveryStore::perform(const Job& job) {
  if (job.remove) {
    removeCopy();
  } else {
    writeCopy(job);
  }
}

void RecoveryStore::writeCopy(const Job& job) {
  ++generation_;
  const std::string number = std::to_string(generation_);
  RecoveryDescription d;
  d.State = job.state;
  d.Width = job.picture->width();
  d.Height = job.picture->height();
  d.BitsPerPixel = job.picture->format().bitsPerPixel;
  d.WrittenAt = LocalTimeNow();
  const bool empty = d.Width == 0 || d.Height == 0;
  if (empty) d.Width = d.Height = 0;

  std::string pictureFile, layerFile;
  if (!empty) {
    pictureFile = pictureFile_;
    if (pictureFile.empty() || writtenPicture_.lock() != job.picture) {
      pictureFile = "picture-" + number + ".bmp";
      formats::WriteFileSafely(folder_ + "/" + pictureFile,
                               formats::EncodeBmp(MaterialiseSnapshot(*job.picture)));
    }
    layerFile = layerFile_;
    if (layerFile.empty() || writtenLayer_.lock() != job.layer) {
      layerFile = "layer-" + number + ".bmp";
      Picture layer = MaterialiseSnapshot(*job.layer);
      if (layer.bitsPerPixel() != 32) layer.convertTo(32);
      formats::WriteFileSafely(folder_ + "/" + layerFile, formats::EncodeBmp(layer));
    }
    // The pictures' names are on the disk before the description that names them.
    SyncFolder(folder_);
  }
  d.PictureFile = pictureFile;
  d.LayerFile = layerFile;
  const std::string text = FormatRecovery(d);
  formats::WriteFileSafely(
      folder_ + "/" + kDescription,
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  SyncFolder(folder_);
  pictureFile_ = pictureFile;
  layerFile_ = layerFile;
  writtenPicture_ = job.picture;
  writtenLayer_ = job.layer;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    hasCopy_ = true;
  }
  // The files of earlier generations, and temporary files a failed write left.
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) {
    const std::string name = e.path().filename().string();
    if (name != kLock && name != kDescription && name != pictureFile && name != layerFile)
      fs::remove(e.path(), ec);
  }
}

void RecoveryStore::removeCopy() {
  std::error_code ec;
  // The description goes first: without it the folder holds no copy, whatever else remains.
  if (fs::remove(folder_ + "/" + kDescription, ec)) SyncFolder(folder_);
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec))
    if (e.path().filename() != kLock) fs::remove(e.path(), ec);
  pictureFile_.clear();
  layerFile_.clear();
  writtenPicture_.reset();
  writtenLayer_.reset();
  const std::lock_guard<std::mutex> hold(mutex_);
  hasCopy_ = false;
}

// --- Copies of runs that are over ----------------------------------------------------------------

std::optional<RecoveredWork> RecoveryStore::NextOrphan(std::vector<std::string>& damaged) {
  ReleaseOrphan();
  struct Candidate {
    std::string folder;
    fs::file_time_type written;
  };
  std::vector<Candidate> candidates;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(root_, ec)) {
    const std::string name = e.path().filename().string();
    if (name.empty() || name[0] == '.' || !e.is_directory(ec)) continue;
    if (name.size() >= 8 && name.compare(name.size() - 8, 8, kDamagedSuffix) == 0) continue;
    const std::string folder = e.path().string();
    if (folder == folder_) continue;
    std::error_code timeError;
    const fs::file_time_type written = fs::last_write_time(folder + "/" + kDescription, timeError);
    candidates.push_back(Candidate{folder, timeError ? fs::file_time_type::min() : written});
  }
  std::sort(candidates.begin(), candidates.end(),
            [](const Candidate& a, const Candidate& b) { return a.written > b.written; });

  for (const Candidate& c : candidates) {
    int fd = TryLock(c.folder);
    if (fd < 0) continue;  // a run still going, or another program considering it
    const std::string description = c.folder + "/" + kDescription;
    if (!fs::exists(description, ec)) {
      fs::remove_all(c.folder, ec);
      CloseFd(fd);
      continue;
    }
    try {
      if (fs::file_size(description) > kMaxDescriptionBytes)
        throw std::runtime_error("the description is far too large");
      const std::vector<std::uint8_t> bytes = formats::ReadWholeFile(description);
      const RecoveryDescription d = ParseRecovery(std::string(bytes.begin(), bytes.end()));
      RecoveredWork work;
      work.State = d.State;
      work.WrittenAt = d.WrittenAt;
      work.WorkingPicture = ReadPicture(c.folder, d.PictureFile, "picture");
      const Picture layer = ReadPicture(c.folder, d.LayerFile, "layer");
      const Picture& p = work.WorkingPicture;
      if (p.width() != d.Width || p.height() != d.Height ||
          (!p.empty() && p.bitsPerPixel() != d.BitsPerPixel))
        throw std::runtime_error("the picture is not the one the description names");
      if (layer.width() != d.Width || layer.height() != d.Height ||
          (!layer.empty() && layer.bitsPerPixel() != 32))
        throw std::runtime_error("the layer is not the one the description names");
      work.OutlineBitmap.Assign(layer);
      orphanFolder_ = c.folder;
      orphanFd_ = fd;
      return work;
    } catch (const std::exception& e) {
      std::string aside = c.folder + kDamagedSuffix;
      for (int n = 2; fs::exists(aside, ec); ++n)
        aside = c.folder + "-" + std::to_string(n) + kDamagedSuffix;
      fs::rename(c.folder, aside, ec);
      damaged.push_back((ec ? c.folder : aside) + ": " + e.what());
      CloseFd(fd);
    }
  }
  return std::nullopt;
}

void RecoveryStore::DiscardOrphan() {
  if (orphanFd_ < 0) return;
  std::error_code ec;
  fs::remove_all(orphanFolder_, ec);
  ReleaseOrphan();
}

void RecoveryStore::ReleaseOrphan() {
  CloseFd(orphanFd_);
  orphanFolder_.clear();
}

}  // namespace drollo

// The peer row: the same question answered the way a user of the common vision library
// would write it (colour conversion, a luma plane, cell means by area resampling, the
// difference to the previous means). A comparison of cost only: its means round
// differently from ours. Built only into the native benchmark, where the library is found.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <memory>
#include <random>

#include "bench_rows.h"
#include "pixel/color_coefficients.h"

namespace qlv {
namespace bench {
namespace {

struct PeerData {
  BenchFrame f{};
  std::vector<uint8_t> frame;
  cv::Mat bgr, luma, cellsBgr, cellsLuma, previousBgr, previousLuma, diffBgr, diffLuma;
};

volatile int g_peerSink;

std::function<void()> PeerWay(BenchFrame f) {
  auto d = std::make_shared<PeerData>();
  d->f = f;
  std::mt19937 rng(4);
  d->frame.resize(static_cast<size_t>(f.width) * f.height * (f.format == 0 ? 2 : 3));
  for (auto& b : d->frame) b = static_cast<uint8_t>(rng());
  cv::setNumThreads(1);  // one thread, as ours: a comparison of CPU cost
  d->previousBgr = cv::Mat::zeros(18, 24, CV_8UC3);
  d->previousLuma = cv::Mat::zeros(18, 24, CV_8UC1);
  // Y = (3735 B + 19235 G + 9798 R) / 32768, the weights of our own conversion.
  const cv::Matx13f weights(color::kYFromB / 32768.0f, color::kYFromG / 32768.0f, color::kYFromR / 32768.0f);
  return [d, weights] {
    if (d->f.format == 0) {
      cv::Mat yuyv(d->f.height, d->f.width, CV_8UC2, d->frame.data());
      cv::cvtColor(yuyv, d->bgr, cv::COLOR_YUV2BGR_YUYV);
    } else {
      cv::Mat bottomUp(d->f.height, d->f.width, CV_8UC3, d->frame.data());
      cv::flip(bottomUp, d->bgr, 0);  // the host's RGB24 rows run bottom up
    }
    cv::transform(d->bgr, d->luma, weights);
    cv::resize(d->bgr, d->cellsBgr, cv::Size(24, 18), 0, 0, cv::INTER_AREA);
    cv::resize(d->luma, d->cellsLuma, cv::Size(24, 18), 0, 0, cv::INTER_AREA);
    cv::absdiff(d->cellsBgr, d->previousBgr, d->diffBgr);
    cv::absdiff(d->cellsLuma, d->previousLuma, d->diffLuma);
    d->cellsBgr.copyTo(d->previousBgr);
    d->cellsLuma.copyTo(d->previousLuma);
    g_peerSink = d->diffLuma.at<uint8_t>(9, 12);
  };
}

void AddPeerRows(std::vector<BenchRow>& rows) {
  for (const BenchFrame& f : BenchFrames()) rows.push_back({"opencv", f, "", [f] { return PeerWay(f); }});
}

const bool registered = RegisterRows(AddPeerRows);

}  // namespace
}  // namespace bench
}  // namespace qlv

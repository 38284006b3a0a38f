#include "app/AppController.h"

#include "app/PreferenceKeys.h"
#include "platform/EverySecond.h"
#include "platform/SpeedGraph.h"
#include "present/AxisScale.h"
#include "present/SizeFormat.h"
#include "present/TitleComposer.h"

#include <QLayout>

namespace ratelark {

RATELARK_EVERY_SECOND
void AppController::followSpeedGraph() {
    if (!panel() || !panel()->layout()) return;
    const bool wanted = standardUserDefaults().boolForKey(keys::speedGraph);
    if (wanted != bool(speedGraph_)) {
        // The window grows by the graph's height and gives it back, so the numbers keep their room.
        const int change = wanted ? SpeedGraph::kHeight : -SpeedGraph::kHeight;
        if (wanted) {
            speedGraph_ = new SpeedGraph(panel());
            panel()->layout()->addWidget(speedGraph_);
        } else {
            delete speedGraph_;
        }
        panel()->resize(panel()->width(), panel()->height() + change);
    }
    if (!speedGraph_ || !panel()->isVisible()) return;
    // As many seconds as the graph is wide, on the live graph's scale for them.
    const std::size_t shown = std::min(speedRing_.size(), std::size_t(std::max(speedGraph_->width(), 1)));
    double peak = 0.0;
    for (std::size_t index = speedRing_.size() - shown; index < speedRing_.size(); ++index)
        peak = std::max({peak, speedRing_[index].download, speedRing_[index].upload});
    const double top = speedAxis(peak, false, showtype::automatic).maximum;
    std::vector<double> download, upload;
    for (std::size_t index = speedRing_.size() - shown; index < speedRing_.size(); ++index) {
        download.push_back(speedRing_[index].download / top);
        upload.push_back(speedRing_[index].upload / top);
    }
    speedGraph_->setValues(std::move(download), std::move(upload),
                          isDarkInterfaceStyle(services().appearance->interfaceStyle()));
}

}  // namespace ratelark

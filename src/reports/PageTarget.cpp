#include "reports/PageTarget.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPagedPaintDevice>

namespace vz::reports {

PagedDeviceTarget::PagedDeviceTarget(QPagedPaintDevice& device, QString name)
    : device_(device), name_(name.isEmpty() ? QStringLiteral("the printer") : std::move(name)) {
    device_.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

QSizeF PagedDeviceTarget::pageSizeInches() const {
    return device_.pageLayout().fullRect(QPageLayout::Inch).size();
}

void PagedDeviceTarget::setLandscape(bool landscape) {
    device_.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

bool PagedDeviceTarget::begin() {
    if (painter_.begin(&device_)) return true;
    error_ = QStringLiteral("Could not start printing on %1.").arg(name_);
    return false;
}

bool PagedDeviceTarget::newPage() {
    if (device_.newPage()) return true;
    error_ = QStringLiteral("Could not start a new page on %1.").arg(name_);
    return false;
}

bool PagedDeviceTarget::end() {
    if (!painter_.isActive()) return true;
    if (painter_.end()) return true;
    error_ = QStringLiteral("Printing on %1 failed at the end of the job.").arg(name_);
    return false;
}

}  // namespace vz::reports

#include "ui/position_frm.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "ui/window_placement.h"

namespace pellicor::ui {

TPositionFrm::TPositionFrm(QWidget* parent) : QDialog(parent) {
    constexpr int kLargest = std::numeric_limits<std::int32_t>::max();
    edtX_ = new QSpinBox(this);
    edtY_ = new QSpinBox(this);
    edtX_->setObjectName("edtX");
    edtY_->setObjectName("edtY");
    for (QSpinBox* field : {edtX_, edtY_}) field->setRange(-kLargest, kLargest);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* form = new QFormLayout;
    auto* x = new QLabel(QStringLiteral("&x:"), this);
    auto* y = new QLabel(QStringLiteral("&y:"), this);
    x->setBuddy(edtX_);
    y->setBuddy(edtY_);
    form->addRow(x, edtX_);
    form->addRow(y, edtY_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Top-left corner coordinate:"), this));
    layout->addLayout(form);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

std::optional<std::pair<std::int32_t, std::int32_t>> TPositionFrm::Edit(const QString& caption, std::int32_t x,
                                                                        std::int32_t y) {
    setWindowTitle(caption);
    edtX_->setValue(x);
    edtY_->setValue(y);
    adjustSize();
    CentreOverParent(*this);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(static_cast<std::int32_t>(edtX_->value()), static_cast<std::int32_t>(edtY_->value()));
}

}  // namespace pellicor::ui

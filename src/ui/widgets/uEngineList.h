#pragma once

#include <QTreeView>

class TEnginesModel;

// The search page's list of sites: one name row each, with the files found and the site's
// state under it. Narrow, never selected, never focused: it shows, it takes no input.
class TEngineList : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kWidth = 107;

    TEngineList(TEnginesModel* model, QWidget* parent);
};

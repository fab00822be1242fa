#include "app/refresh.h"

#include "app/session.h"

namespace kvelmor::app {

std::vector<int> fullRefresh() {
    std::vector<int> s;
    for (int i = 1; i <= kStageCount; ++i) s.push_back(i);
    return s;
}

const StageTable& standardStages() {
    static const StageTable table = [] {
        StageTable t;
        for (auto& f : t) f = [](Session&) {};
        return t;
    }();
    return table;
}

}  // namespace kvelmor::app

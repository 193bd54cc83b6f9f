// Pick colours must decode to exactly the id drawn (else a click selects the wrong node), the
// white background must mean "nothing", and no two adaptors may share an id.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_PickEngine.h"

TEST(SLB_PickEngine, IdToColor_IsOneToOneOverEveryIdAndColorToIdInvertsIt) {
  std::vector<bool> seen(std::size_t(1) << 24, false);
  for (int id = 0; id <= SLB_PickEngine::kMaxId; ++id) {
    const std::uint32_t c = SLB_PickEngine::idToColor(id);
    ASSERT_EQ(c >> 24, 0xFFu) << id; // opaque, so blending never alters it
    ASSERT_FALSE(seen[c & 0xFFFFFFu]) << "colour reused at id " << id;
    seen[c & 0xFFFFFFu] = true;
    ASSERT_EQ(SLB_PickEngine::colorToId(c), id);
  }
}

TEST(SLB_PickEngine, BackgroundAndUnrepresentableIdsAreNoPick) {
  EXPECT_EQ(SLB_PickEngine::idToColor(0), 0xFFFFFFFFu);
  EXPECT_EQ(SLB_PickEngine::colorToId(0xFFFFFFFFu), 0);
  // An image read back without alpha still decodes.
  EXPECT_EQ(SLB_PickEngine::colorToId(SLB_PickEngine::idToColor(77) & 0xFFFFFFu), 77);
  for (int id : {-1, -1000, SLB_PickEngine::kMaxId + 1})
    EXPECT_EQ(SLB_PickEngine::colorToId(SLB_PickEngine::idToColor(id)), 0) << id;
}

TEST(SLB_ModulePickAdaptor, AdaptorsGetDisjointBlocksWithOneIdPerHandle) {
  std::vector<std::unique_ptr<SLB_ModulePickAdaptor>> adaptors;
  for (int handles : {3, 1, 0, 5, 3})
    adaptors.push_back(std::make_unique<SLB_ModulePickAdaptor>(nullptr, handles));
  std::vector<int> ids;
  for (const auto& a : adaptors) {
    EXPECT_GT(a->pickingId(), 0);
    ids.push_back(a->pickingId()); // reserved even without handles
    for (int i = 0; i < a->nbHandles(); ++i) {
      EXPECT_EQ(a->handleId(i), a->pickingId() + i);
      EXPECT_EQ(a->handleOf(a->handleId(i)), i);
      if (i > 0)
        ids.push_back(a->handleId(i));
    }
    EXPECT_EQ(a->handleId(a->nbHandles()), 0);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

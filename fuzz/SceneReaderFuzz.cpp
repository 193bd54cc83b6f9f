// libFuzzer entry for the scene reader. Any input must come back as a scene or an error, without
// crash, leak or hang. A scene that loads must also write out, load again and write out the
// same bytes: anything else means the writer and reader disagree on some value.
#include <cstdint>
#include <cstdlib>

#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_PortManipulator.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {
// A node that grows inputs on demand, so that links into variable inputs (and their limits)
// are reached without loading a plug-in.
class FuzzGather : public MO_AutoInPortsModule {
public:
  FuzzGather() : MO_AutoInPortsModule(new MO_MatrixPortManipulator(this)) { addOutMatrixPort(); }
  QString moduleTypeName() const override { return QStringLiteral("FuzzGather"); }
};

const bool kRegistered = [] {
  MO_ModuleFactorySingleton().registerClass(
      typeid(FuzzGather), QStringLiteral("FuzzGather"), [] { return new FuzzGather; }, [] { return new FuzzGather; });
  return true;
}();
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  PIO_LoadError error;
  const std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml, QStringLiteral("fuzz"), &error);
  if (!scene)
    return 0;
  const QByteArray written = PIO_SceneWriter::writeData(*scene);
  const std::unique_ptr<SC_SceneCommon> back = PIO_SceneReader::readData(written, QStringLiteral("rewritten"), &error);
  if (!back || PIO_SceneWriter::writeData(*back) != written)
    std::abort();
  return 0;
}

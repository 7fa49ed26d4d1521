#include "session.hpp"

#include "startup.hpp"

namespace velmora {

Session::Session(SessionHosts hosts)
    : customFormula(state, hosts.prompts, hosts.customFormula),
      actions(state, &customFormula),
      driver(state, hosts.view, hosts.prompts, hosts.pump),
      paletteBuild(state, hosts.palette),
      files(state, actions, driver, hosts.customFormula, {hosts.prompts, hosts.view, hosts.files, hosts.palette}),
      hosts_(hosts) {
    // The palette is built before the block records the run.
    driver.addObserver(paletteBuild);
    driver.addObserver(files);
}

void Session::startWithoutPicture() { InitialiseWithoutPicture(state, actions); }

}  // namespace velmora

// Each stored list is taken from the first place, in a fixed search order over the top-level packages
// and their direct sub-packages, that yields a non-empty list. Reads of optional data run under guards
// that drop a failure and let the search go on; everything outside the guards reaches the caller.
#include "python/pellinor/walk.hpp"

#include "python/pellinor/key_lists.hpp"
#include "python/pellinor/package_root.hpp"
#include "python/pellinor/schema_binding.hpp"

#include "python/common/collection_pause.hpp"
#include "python/common/guard.hpp"
#include "python/common/record_layout.hpp"

namespace velvane::pellinor {
namespace {

constexpr const char* kRequiredPorts = "r_portList";
constexpr const char* kProvidedPorts = "p_portList";
constexpr const char* kInterfaces = "sr_interfaceList";
constexpr const char* kDataTypes = "ImplementationDataTypesList";
constexpr const char* kCompuMethods = "enumList";
constexpr const char* kBaseTypes = "SwBaseTypesList";
constexpr const char* kRunnables = "runnablesList";

py::object subpackages(py::handle package) {
    return get_attr(get_attr(package, "AR_PACKAGES"), "AR_PACKAGE");
}

py::object elements(py::handle package, const char* kind) {
    return get_attr(get_attr(package, "ELEMENTS"), kind);
}

py::object first_component(py::handle package) {
    return item_at(elements(package, "APPLICATION_SW_COMPONENT_TYPE"), 0);
}

py::object component_ports(py::handle package, const char* kind) {
    return get_attr(get_attr(first_component(package), "PORTS"), kind);
}

py::object internal_behaviours(py::handle package) {
    return get_attr(get_attr(first_component(package), "INTERNAL_BEHAVIORS"), "SWC_INTERNAL_BEHAVIOR");
}

py::object short_name(py::handle element) {
    return text_of(get_attr(element, "SHORT_NAME"));
}

// The walk over the top-level packages of one file; the analyser's attributes are read afresh for
// every emptiness test, so a store is seen by the next test.
class PackageWalk {
public:
    explicit PackageWalk(py::handle analyser) : self_(analyser) {}

    void visit(py::handle package) {
        component_block(package);
        guarded([&] { base_type_block(package); });
        guarded([&] { data_type_block(package); });
        guarded([&] { compu_method_block(package); });
        interface_block(package);
    }

    const py::list& runnable_names() const { return runnable_names_; }

private:
    bool is_empty(const char* attribute) const { return !truthy(get_attr(self_, attribute)); }
    void store(const char* attribute, py::handle value) const { set_attr(self_, attribute, value); }
    bool no_ports() const { return is_empty(kRequiredPorts) && is_empty(kProvidedPorts); }

    // Component, ports and runnables: the package's own first component; its sub-packages only when
    // reading the package itself failed.
    void component_block(py::handle package) {
        if (guarded([&] { component_from_package(package); })) return;
        guarded([&] { component_from_subpackages(package); });
    }

    void component_from_package(py::handle package) {
        if (!no_ports()) return;
        store(kRequiredPorts, component_ports(package, "R_PORT_PROTOTYPE"));
        store(kProvidedPorts, component_ports(package, "P_PORT_PROTOTYPE"));
        store("name", short_name(package));
        store("modelName", short_name(first_component(package)));
        store(kRunnables, internal_behaviours(package));
    }

    void component_from_subpackages(py::handle package) {
        if (!no_ports()) return;
        for_each(subpackages(package), [&](py::handle sub) {
            bool found = false;
            guarded([&] {
                found = !no_ports();
                if (!found) component_from_subpackage(sub);
            });
            return !found;
        });
    }

    void component_from_subpackage(py::handle sub) {
        store(kRequiredPorts, component_ports(sub, "R_PORT_PROTOTYPE"));
        store(kProvidedPorts, component_ports(sub, "P_PORT_PROTOTYPE"));
        store("name", short_name(sub));
        store("modelName", short_name(first_component(sub)));
        py::object behaviour = item_at(internal_behaviours(sub), 0);
        py::object runnables = get_attr(get_attr(behaviour, "RUNNABLES"), "RUNNABLE_ENTITY");
        for_each(runnables, [&](py::handle runnable) {
            collect_runnable(runnable);
            return true;
        });
    }

    // A runnable's name, then its receive accesses and its send accesses, each part on its own.
    void collect_runnable(py::handle runnable) {
        append(runnable_names_, short_name(runnable));
        guarded([&] { add_accesses(runnable, "DATA_RECEIVE_POINT_BY_ARGUMENTS"); });
        guarded([&] { add_accesses(runnable, "DATA_SEND_POINTS"); });
    }

    // runnablesList = runnablesList + accesses. A list this walk made and stored is extended in place
    // instead: nobody else holds it, and a copy per runnable would cost the square of their number.
    void add_accesses(py::handle runnable, const char* points) {
        py::object known = get_attr(self_, kRunnables);
        py::object accesses = get_attr(get_attr(runnable, points), "VARIABLE_ACCESS");
        if (known.is(made_runnables_) && PyList_CheckExact(known.ptr()) && PyList_CheckExact(accesses.ptr()) &&
            Py_REFCNT(known.ptr()) <= 3) {
            own(PySequence_InPlaceConcat(known.ptr(), accesses.ptr()));
            return;
        }
        made_runnables_ = own(PyNumber_Add(known.ptr(), accesses.ptr()));
        store(kRunnables, made_runnables_);
    }

    // Sub-packages in order, until `attribute` is not empty: attribute = sub-package's ELEMENTS/<kind>.
    void fill_from_subpackages(py::handle package, const char* attribute, const char* kind) {
        for_each(subpackages(package), [&](py::handle sub) {
            if (!is_empty(attribute)) return false;
            store(attribute, elements(sub, kind));
            return true;
        });
    }

    void base_type_block(py::handle package) {
        if (is_empty(kBaseTypes)) fill_from_subpackages(package, kBaseTypes, "SW_BASE_TYPE");
    }

    // Sub-packages first, then the package itself; a failure among the sub-packages ends both.
    void data_type_block(py::handle package) {
        if (is_empty(kDataTypes)) fill_from_subpackages(package, kDataTypes, "IMPLEMENTATION_DATA_TYPE");
        if (is_empty(kDataTypes)) store(kDataTypes, elements(package, "IMPLEMENTATION_DATA_TYPE"));
    }

    void compu_method_block(py::handle package) {
        if (is_empty(kCompuMethods)) store(kCompuMethods, elements(package, "COMPU_METHOD"));
    }

    // The package's own interfaces; its sub-packages only when reading the package itself failed.
    void interface_block(py::handle package) {
        bool read = guarded([&] {
            if (is_empty(kInterfaces)) store(kInterfaces, elements(package, "SENDER_RECEIVER_INTERFACE"));
        });
        if (read) return;
        guarded([&] {
            if (!is_empty(kInterfaces)) return;
            for_each(subpackages(package), [&](py::handle sub) {
                bool found = false;
                guarded([&] {
                    found = !is_empty(kInterfaces);
                    if (!found) store(kInterfaces, elements(sub, "SENDER_RECEIVER_INTERFACE"));
                });
                return !found;
            });
        });
    }

    py::handle self_;
    py::list runnable_names_;
    py::object made_runnables_;  // the list add_accesses made last
};

void reset_element_lists(py::handle analyser) {
    for (const char* attribute :
         {kProvidedPorts, kRequiredPorts, kInterfaces, kDataTypes, kCompuMethods, kBaseTypes}) {
        set_attr(analyser, attribute, py::list());
    }
}

// RUNNABLE_ENTITY_Name_Dict[modelName] = the runnable names of this walk.
void record_runnable_names(py::handle analyser, const py::list& names) {
    py::object by_model = get_attr(analyser, "RUNNABLE_ENTITY_Name_Dict");
    set_item(by_model, get_attr(analyser, "modelName"), names);
}

py::object records_of(py::handle analyser, py::handle keys, const char* attribute) {
    return analyser.attr("getArray")(keys, get_attr(analyser, attribute));
}

void fill_type_tables(py::handle analyser) {
    analyser.attr("set_structDict")(get_attr(analyser, kDataTypes));
    analyser.attr("set_ArrayList")(get_attr(analyser, kDataTypes));
    analyser.attr("setEnum")(get_attr(analyser, kCompuMethods));
    analyser.attr("set_enumDcit")(get_attr(analyser, kDataTypes));
}

}  // namespace

py::tuple analyse_file(py::handle analyser, py::handle path, py::handle data_array) {
    CollectionPause pause;
    py::object root = parse_arxml(path);
    reset_element_lists(analyser);
    py::object packages = get_attr(packages_of(root, path), "AR_PACKAGE");
    PackageWalk walk(analyser);
    for_each(packages, [&](py::handle package) {
        walk.visit(package);
        return true;
    });
    record_runnable_names(analyser, walk.runnable_names());

    py::object interfaces = records_of(analyser, item_at(data_array, records::interface_list), kInterfaces);
    py::object required = records_of(analyser, required_port_keys(), kRequiredPorts);
    py::object provided = records_of(analyser, provided_port_keys(), kProvidedPorts);
    py::object accesses = records_of(analyser, variable_access_keys(), kRunnables);
    py::object base_types = records_of(analyser, item_at(data_array, records::base_type_list), kBaseTypes);
    py::object data_types =
        records_of(analyser, item_at(data_array, records::implementation_type_list), kDataTypes);

    fill_type_tables(analyser);
    return py::make_tuple(interfaces, required, provided, accesses, base_types, data_types);
}

}  // namespace velvane::pellinor

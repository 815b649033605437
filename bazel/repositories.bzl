"""Repositories for a workspace that builds regkit's programs or uses its rules.

In the WORKSPACE, after the repository "regkit" itself:

    load("@regkit//bazel:repositories.bzl", "regkit_dependencies", "regkit_offline_tools")
    regkit_dependencies()
    regkit_offline_tools()  # only where the network is closed
"""

def regkit_dependencies():
    """Declares the system libraries that regkit's targets may use."""

    # The JSON library's headers as Debian installs them (nlohmann-json3-dev);
    # nothing links it yet: a target adds "@nlohmann_json" to its deps.
    native.new_local_repository(
        name = "nlohmann_json",
        path = "/usr/include/nlohmann",
        build_file_content = """
cc_library(
    name = "nlohmann_json",
    hdrs = glob(["**/*.hpp"]),
    include_prefix = "nlohmann",
    visibility = ["//visibility:public"],
)
""",
    )

def _stand_in_impl(repository_ctx):
    repository_ctx.file("WORKSPACE", "workspace(name = \"%s\")\n" % repository_ctx.name)
    for path, text in repository_ctx.attr.files.items():
        repository_ctx.file(path, text)

# A repository made of the given files, written on the spot.
_stand_in = repository_rule(
    implementation = _stand_in_impl,
    attrs = {"files": attr.string_dict()},
)

_RULES_CC_DEFS = """# Offline stand-in: the rules that Bazel has built in.
def cc_binary(**kwargs):
    native.cc_binary(**kwargs)

def cc_library(**kwargs):
    native.cc_library(**kwargs)

def cc_test(**kwargs):
    native.cc_test(**kwargs)

def cc_import(**kwargs):
    native.cc_import(**kwargs)

def cc_proto_library(**kwargs):
    native.cc_proto_library(**kwargs)

def cc_toolchain(**kwargs):
    native.cc_toolchain(**kwargs)

def cc_toolchain_suite(**kwargs):
    native.cc_toolchain_suite(**kwargs)

def objc_library(**kwargs):
    native.objc_library(**kwargs)
"""

_RULES_JAVA_DEFS = """# Offline stand-in: the rules that Bazel has built in.
def java_binary(**kwargs):
    native.java_binary(**kwargs)

def java_import(**kwargs):
    native.java_import(**kwargs)

def java_library(**kwargs):
    native.java_library(**kwargs)

def java_proto_library(**kwargs):
    native.java_proto_library(**kwargs)

def java_runtime(**kwargs):
    native.java_runtime(**kwargs)

def java_toolchain(**kwargs):
    native.java_toolchain(**kwargs)
"""

_COVERAGE_BUILD = """# Offline stand-in: no coverage tools (bazel coverage does not work offline).
filegroup(name = "coverage_report_generator", visibility = ["//visibility:public"])

filegroup(name = "lcov_merger", visibility = ["//visibility:public"])
"""

def regkit_offline_tools():
    """Stands in for the rule repositories that Bazel 4 downloads on every build.

    Bazel's own tools load rules_cc and rules_java, and every test needs
    remote_coverage_tools; these local stand-ins forward to the built-in rules,
    so a build needs no network. Coverage is then unavailable.
    """
    _stand_in(
        name = "rules_cc",
        files = {"cc/BUILD": "", "cc/defs.bzl": _RULES_CC_DEFS},
    )
    _stand_in(
        name = "rules_java",
        files = {"java/BUILD": "", "java/defs.bzl": _RULES_JAVA_DEFS},
    )
    _stand_in(
        name = "remote_coverage_tools",
        files = {"BUILD": _COVERAGE_BUILD},
    )
